#pragma once
// A form that records the position setters in the order they are called.

#include <string>
#include <vector>

#include "common/CommUnit.h"

namespace test {

class FakeForm : public TFormBase {
  public:
    std::string caption = "Vesperon";
    TFormBounds bounds{-8, 120, 640, 480};
    std::vector<std::string> calls;
    std::string GetCaption() override { return caption; }
    TFormBounds GetBounds() override { return bounds; }
    void SetHeight(int v) override { calls.push_back("Height " + std::to_string(v)); }
    void SetLeft(int v) override { calls.push_back("Left " + std::to_string(v)); }
    void SetTop(int v) override { calls.push_back("Top " + std::to_string(v)); }
    void SetWidth(int v) override { calls.push_back("Width " + std::to_string(v)); }
    void CentreOnScreen() override { calls.push_back("centre"); }
};

}  // namespace test
