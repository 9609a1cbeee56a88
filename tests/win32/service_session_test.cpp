// The open command the service builds for a ToDo item before it starts it as the console user,
// against the real file system and file associations.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "service/ServiceSessionWin32.h"

namespace {

std::string TempFolder() {
    char buffer[MAX_PATH];
    const DWORD n = ::GetTempPathA(MAX_PATH, buffer);
    std::string folder(buffer, n);
    folder += "vesperon-session-test";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// Registers the extension .vsptest machine-wide with an open command, for the test's
// lifetime.
class TestAssociation {
  public:
    TestAssociation() {
        Set("Software\\Classes\\.vsptest", "VesperonTestDocument");
        Set("Software\\Classes\\VesperonTestDocument\\shell\\open\\command",
            "\"C:\\windows\\system32\\notepad.exe\" \"%1\" %*");
    }
    ~TestAssociation() {
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Classes\\VesperonTestDocument");
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.vsptest");
    }

  private:
    static void Set(const char* key, const std::string& value) {
        HKEY handle = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE, nullptr,
                                    &handle, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
        ::RegCloseKey(handle);
    }
};

TEST(ServiceOpenCommand, NamesTheProgramOrTheFailureLikeTheShell) {
    TestAssociation association;
    const std::string folder = TempFolder();
    const std::string text = folder + "\\notes.vsptest", program = folder + "\\tool.exe",
                      strange = folder + "\\data.zzqx";
    for (const std::string& f : {text, program, strange}) std::ofstream(f) << "x";
    struct Case {
        std::string item;
        int code;
        std::string command;  // expected exactly, or empty when only the code matters
    } cases[] = {
        {program, 42, "\"" + program + "\""},
        {folder, 42, "explorer.exe \"" + folder + "\""},
        {folder + "\\missing.txt", 2, ""},
        {folder + "\\no-such-folder\\missing.txt", 3, ""},
        {strange, 31, ""},
        {"", 2, ""},
    };
    for (const Case& c : cases) {
        std::string command;
        EXPECT_EQ(BuildOpenCommand(c.item, command), c.code) << c.item;
        if (!c.command.empty()) {
            EXPECT_EQ(command, c.command) << c.item;
        }
    }
    // A document opens with its registered program, the document in its argument.
    std::string command;
    EXPECT_EQ(BuildOpenCommand(text, command), 42);
    EXPECT_EQ(command, "\"C:\\windows\\system32\\notepad.exe\" \"" + text + "\" ");
    for (const std::string& f : {text, program, strange}) ::DeleteFileA(f.c_str());
    ::RemoveDirectoryA(folder.c_str());
}

TEST(ServiceOpenCommand, SystemErrorTextsHaveNoTrailingLineBreak) {
    const std::string text = SystemErrorText(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
}

}  // namespace
