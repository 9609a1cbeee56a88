#include "common/ShellUnit.h"

#include <gtest/gtest.h>

#include "tests/support/FakeOs.h"

namespace {

// Records the six shell arguments as they arrive, null pointers included.
class ShellOs : public test::FakeOs {
  public:
    std::vector<std::string> calls;
    int ShellOpen(os::WindowHandle owner, const char* operation, const char* file,
                  const char* parameters, const char* directory, int showCmd) override {
        auto text = [](const char* s) { return s ? "\"" + std::string(s) + "\"" : "null"; };
        calls.push_back(std::to_string(owner) + " " + text(operation) + " " + text(file) + " " +
                        text(parameters) + " " + text(directory) + " " + std::to_string(showCmd));
        return shellResult;
    }
};

TEST(ShellUnit, PassesTheArgumentsUnchangedAndSuccessShowsNothing) {
    ShellOs fake;
    os::ScopedOs scoped(fake);
    ShellExecuteFile(0x55, "Open", "C:\\Docs\\plan.txt", nullptr, nullptr, 5);
    ShellExecuteFile(0x55, nullptr, "mailto:support@example.com", "-x", "C:\\", 1);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{
                              "85 \"Open\" \"C:\\Docs\\plan.txt\" null null 5",
                              "85 null \"mailto:support@example.com\" \"-x\" \"C:\\\" 1"}));
    EXPECT_TRUE(fake.messageBoxes.empty());
}

TEST(ShellUnit, MissingFileIsExplainedInAnErrorBox) {
    ShellOs fake;
    fake.shellResult = 2;
    os::ScopedOs scoped(fake);
    ShellExecuteFile(0, "Open", "C:\\Docs\\gone.txt", nullptr, nullptr, 5);
    ASSERT_EQ(fake.messageBoxes.size(), 1u);
    EXPECT_EQ(fake.messageBoxes[0].caption, "Error");
    EXPECT_EQ(fake.messageBoxes[0].flags, os::kMbOk | os::kMbIconStop | os::kMbTopMost);
    EXPECT_EQ(fake.messageBoxes[0].text,
              "The specified file was not found.\r\n\r\n\r\n"
              "To success executing this application: \r\n"
              "1, please make sure that C:\\Docs\\gone.txt\r\n"
              "   is not corrupted or deleted, or \r\n"
              "2, you have installed this application or component properly, or \r\n"
              "3, the file has been associated with the right application, or \r\n"
              "4, your computer is not locked.\r\n\r\n"
              "Please take corrective actions and try again.");
}

TEST(ShellUnit, EachDocumentedCodeHasItsTextAndTheOthersShowNothing) {
    struct Case {
        int code;
        const char* text;  // null: no box
    } cases[] = {
        {0, "The operating system is out of memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied access to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred."},
        {27, "The filename association is incomplete or invalid."},
        {28, "The DDE transaction could not be completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30,
         "The DDE transaction could not be completed because other DDE transactions were "
         "being processed."},
        {31, "There is no application associated with the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
        {1, nullptr},
        {4, nullptr},
        {12, nullptr},
        {25, nullptr},
        {33, nullptr},
        {-1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        test::FakeOs fake;
        os::ScopedOs scoped(fake);
        ShowShellExecuteError(c.code, "report.xyz");
        if (!c.text) {
            EXPECT_TRUE(fake.messageBoxes.empty());
            continue;
        }
        ASSERT_EQ(fake.messageBoxes.size(), 1u);
        const std::string& text = fake.messageBoxes[0].text;
        EXPECT_EQ(text.substr(0, text.find("\r\n")), c.text);
        EXPECT_NE(text.find("make sure that report.xyz\r\n"), std::string::npos);
    }
}

TEST(ShellUnit, NullFileNameIsExplainedWithoutOne) {
    test::FakeOs fake;
    fake.shellResult = 2;
    os::ScopedOs scoped(fake);
    ShellExecuteFile(0, "Open", nullptr, nullptr, nullptr, 1);
    ASSERT_EQ(fake.messageBoxes.size(), 1u);
    EXPECT_NE(fake.messageBoxes[0].text.find("make sure that \r\n"), std::string::npos);
}

}  // namespace
