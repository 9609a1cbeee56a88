// TIniFile against the system's profile-file functions: a file written by either side reads the
// same, section by section and key by key, through both.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/IniFile.h"

namespace {

using Strings = std::vector<std::string>;

const char kDefault[] = "<default>";

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The first of each name that differs only in case, in order.
Strings Distinct(const Strings& names) {
    Strings result, seen;
    for (const std::string& name : names) {
        if (std::find(seen.begin(), seen.end(), Lower(name)) != seen.end()) continue;
        seen.push_back(Lower(name));
        result.push_back(name);
    }
    return result;
}

Strings SplitNulList(const std::vector<char>& buffer, DWORD length) {
    Strings items;
    std::string item;
    for (DWORD i = 0; i < length; ++i) {
        if (buffer[i] != '\0') {
            item += buffer[i];
        } else {
            items.push_back(item);
            item.clear();
        }
    }
    return items;
}

Strings ProfileSectionNames(const std::string& path) {
    std::vector<char> buffer(1 << 20);
    DWORD n = ::GetPrivateProfileSectionNamesA(buffer.data(), static_cast<DWORD>(buffer.size()),
                                               path.c_str());
    return SplitNulList(buffer, n);
}

Strings ProfileKeys(const std::string& path, const std::string& section) {
    std::vector<char> buffer(1 << 20);
    DWORD n = ::GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(),
                                         static_cast<DWORD>(buffer.size()), path.c_str());
    return SplitNulList(buffer, n);
}

std::string ProfileString(const std::string& path, const std::string& section,
                          const std::string& key) {
    std::vector<char> buffer(1 << 16);
    DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), kDefault, buffer.data(),
                                         static_cast<DWORD>(buffer.size()), path.c_str());
    return std::string(buffer.data(), n);
}

// Both readers see the same sections, the same keys in each (the unnamed section of keys before
// the first header included) and the same value for every key.
void ExpectSameView(const std::string& path, const TIniFile& ours) {
    Strings sections = Distinct(ProfileSectionNames(path));
    EXPECT_EQ(ours.ReadSections(), sections);
    sections.insert(sections.begin(), "");
    for (const std::string& section : sections) {
        Strings keys = Distinct(ProfileKeys(path, section));
        EXPECT_EQ(ours.ReadSection(section), keys) << "[" << section << "]";
        for (const std::string& key : keys)
            EXPECT_EQ(ours.ReadString(section, key, kDefault), ProfileString(path, section, key))
                << "[" << section << "] " << key;
    }
}

class IniCompat : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_GT(::GetTempPathA(MAX_PATH, temp), 0u);
        dir = std::string(temp) + "vesperon-ini-compat-" + std::to_string(::GetCurrentProcessId()) +
              "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr) ||
                    ::GetLastError() == ERROR_ALREADY_EXISTS);
        path = dir + "\\Config.INI";
        ::DeleteFileA(path.c_str());
    }
    void TearDown() override {
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());  // drop the cache
        ::DeleteFileA(path.c_str());
        ::RemoveDirectoryA(dir.c_str());
    }
    void WriteRaw(const std::string& bytes) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
        ASSERT_EQ(std::fclose(file), 0);
    }
    std::string dir, path;
};

TEST_F(IniCompat, AFileWeWriteReadsTheSameThroughTheProfileFunctions) {
    const std::string longValue(3000, 'L');
    {
        TIniFile ini(path);  // no file yet
        ini.WriteString("Action1", "Title", "Morning run");
        ini.WriteInteger("Action1", "Behavior", 2);
        ini.WriteInteger("Action1", "CountDownTime", -30);
        ini.WriteBool("Action1", "EnableAbort", false);
        ini.WriteString("Action1", "Padded", "   inner  blanks   ");
        ini.WriteString("Action1", "Quoted", "\"in quotes\"");
        ini.WriteString("Action1", "Single", "'single'");
        ini.WriteString("Action1", "Half", "\"half");
        ini.WriteString("Action1", "Equals", "a=b=c");
        ini.WriteString("Action1", "Empty", "");
        ini.WriteString("Action1", "Broken", "line one\r\n[Action9]\r\nPassword=");
        ini.WriteString("Action1", "SoundFile", longValue);
        ini.WriteString("Options", "Key", "1");
        ini.WriteString("Action2", "Title", "Evening");
        ini.WriteString("action1", "TITLE", "Dawn");  // replaced in place
        ini.DeleteKey("Action1", "Behavior");
        ini.EraseSection("OPTIONS");
        ini.WriteString("Action2", "ToDo1", "C:\\Program Files\\App\\app.exe");
        ASSERT_TRUE(ini.UpdateFile());
    }
    TIniFile reread(path);
    ExpectSameView(path, reread);
    EXPECT_EQ(ProfileSectionNames(path), (Strings{"Action1", "Action2"}));
    EXPECT_EQ(ProfileString(path, "Action1", "Title"), "Dawn");
    EXPECT_EQ(ProfileString(path, "Action1", "Behavior"), kDefault);
    EXPECT_EQ(ProfileString(path, "Action1", "SoundFile"), longValue);
    EXPECT_EQ(ProfileString(path, "Action1", "Broken"), "line one  [Action9]  Password=");
    EXPECT_EQ(ProfileString(path, "Action9", "Password"), kDefault);
    EXPECT_EQ(ProfileString(path, "Action1", "Padded"), "inner  blanks");
}

// Hand-written lines of every kind the profile functions accept, then their own writes on top.
const char kHandWritten[] =
    "top=before\r\n"
    "; a comment\r\n"
    "\r\n"
    "[Action1]\r\n"
    "  Title  =  Morning run  \r\n"
    "\tBehavior\t=\t2\r\n"
    "Title=duplicate\r\n"
    "; the start time\r\n"
    "StartTime = 7:00:00 AM\r\n"
    "noequal\r\n"
    "#hash=1\r\n"
    "Equals=a=b\r\n"
    "Empty=\r\n"
    "Double=\"quoted\"\r\n"
    "Single='single'\r\n"
    "Half=\"half\r\n"
    "Lone=\"\r\n"
    "Inner= \" sp \" \r\n"
    "\r\n"
    "[ Padded ]\r\n"
    "k=padded\r\n"
    "[Trail] text\r\n"
    "k=trail\r\n"
    "[B]x]\r\n"
    "k=bx\r\n"
    "[NoClose\r\n"
    "k=shadowed\r\n"
    "j=in bx\r\n"
    "[LF]\n"
    "k=lf\n"
    "[CR]\r"
    "k=cr\r"
    "[action1]\r\n"
    "Title=second section\r\n"
    "Extra=unseen\r\n"
    "[Tail]\r\n"
    "k=no line end";

// Lines added by hand after the profile functions wrote the file.
const char kAppended[] =
    "\r\n"
    "; added by hand\r\n"
    "[Options]\r\n"
    "  Key = 2\r\n"
    "Added =  \"by hand\"  \r\n"
    "Added=again\r\n"
    "\r\n";

TEST_F(IniCompat, AFileTheProfileFunctionsWriteReadsTheSameThroughOurs) {
    const char* p = path.c_str();
    for (const std::string& prefix : {std::string(), std::string("\xEF\xBB\xBF")}) {
        SCOPED_TRACE(prefix.empty() ? "without a byte-order mark" : "with a UTF-8 byte-order mark");
        // Each step ends with the profile cache released, so the next read sees the disk.
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, p);
        WriteRaw(prefix + kHandWritten);
        {
            SCOPED_TRACE("hand-written lines");
            ExpectSameView(path, TIniFile(path));
        }
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, p);

        ASSERT_TRUE(::WritePrivateProfileStringA("ACTION1", "title", "Dawn", p));
        ASSERT_TRUE(::WritePrivateProfileStringA("Action1", "CountDownTime", "30", p));
        ASSERT_TRUE(::WritePrivateProfileStringA("Action1", "Empty", nullptr, p));
        ASSERT_TRUE(::WritePrivateProfileStringA("Tail", "k", "  led by blanks", p));
        ASSERT_TRUE(::WritePrivateProfileStringA("Options", "Key", "1", p));
        ASSERT_TRUE(::WritePrivateProfileStringA("Trail", nullptr, nullptr, p));
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, p);
        {
            SCOPED_TRACE("after the profile functions' writes");
            TIniFile ours(path);
            ExpectSameView(path, ours);
            EXPECT_EQ(ours.ReadString("Action1", "Title", ""), "Dawn");
            EXPECT_EQ(ours.ReadInteger("Action1", "CountDownTime", 0), 30);
            EXPECT_FALSE(ours.ValueExists("Action1", "Empty"));
            EXPECT_EQ(ours.ReadString("Tail", "k", ""), "led by blanks");
            EXPECT_FALSE(ours.SectionExists("Trail"));
        }
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, p);

        std::FILE* file = std::fopen(p, "ab");
        ASSERT_NE(file, nullptr);
        std::fputs(kAppended, file);
        ASSERT_EQ(std::fclose(file), 0);
        {
            SCOPED_TRACE("hand-written lines appended");
            TIniFile ours(path);
            ExpectSameView(path, ours);
            // Probes of what no key list shows: lines without '=', duplicates, a lost header.
            for (const char* section : {"Action1", "action1", "NoClose", "B]x", "Options"})
                for (const char* key : {"noequal", "Extra", "k", "j", "Key", "Added"})
                    EXPECT_EQ(ours.ReadString(section, key, kDefault),
                              ProfileString(path, section, key))
                        << "[" << section << "] " << key;
            EXPECT_EQ(ours.ReadString("Options", "Key", ""), "1");  // the first section's
            EXPECT_EQ(ours.ReadString("Options", "Added", kDefault), kDefault);
        }
    }
}

}  // namespace
