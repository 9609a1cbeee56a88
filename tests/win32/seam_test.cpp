#include <gtest/gtest.h>

#include "platform/Os.h"

TEST(Win32Seam, ProgramFileNamesAnExe) {
    std::string path = os::System().ProgramFilePath();
    ASSERT_GT(path.size(), 4u);
    EXPECT_EQ(path.substr(path.size() - 4), ".exe");
    EXPECT_NE(path.find('\\'), std::string::npos);
}

TEST(Win32Seam, ClockIsNearTheHostsDate) {
    TDateTime now = os::System().Now();
    EXPECT_GT(now, EncodeDate(2020, 1, 1));
    EXPECT_LT(now, EncodeDate(2100, 1, 1));
}

TEST(Win32Seam, NoWindowHasAnAbsurdTitle) {
    EXPECT_EQ(os::System().FindTopLevelWindow(nullptr, "no window is titled this 7f3a"), 0u);
}
