#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/IniFile.h"
#include "tests/support/FakeOs.h"

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

const char kDefault[] = "<default>";

std::string DataFile(const std::string& name) {
    std::string here = __FILE__;
    std::size_t at = here.rfind("tests/native/");
    if (at == std::string::npos) ADD_FAILURE() << "can't locate tests/data from " << here;
    return here.substr(0, at) + "tests/data/ini/" + name;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "can't read " << path;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TIniFile FromText(const std::string& text) {
    TIniFile ini;
    ini.SetText(text);
    return ini;
}

// A file in CR LF form as a hand editor might leave it. The expected reads are what Wine's
// GetPrivateProfileStringA gives for these forms; ini_compat_test checks them against it.
const char kSyntax[] =
    "top=before\r\n"
    "; comment=hidden\r\n"
    "[Spaces]\r\n"
    "  Key1  =  v a l  \r\n"
    "\tKey2\t=\tx\x1a\r\n"
    "Empty=\r\n"
    "Eq=b=c\r\n"
    "\r\n"
    "[Quotes]\r\n"
    "Double=\"quoted\"\r\n"
    "Single='single'\r\n"
    "Half=\"half\r\n"
    "Lone=\"\r\n"
    "Pair=\"\"\r\n"
    "Inner= \" sp \" \r\n"
    "Mixed=\"a'\r\n"
    "[Lines]\r\n"
    ";c=1\r\n"
    "#h=2\r\n"
    "noequal\r\n"
    "[ Padded ]\r\n"
    "k=padded\r\n"
    "[Trail] text\r\n"
    "k=trail\r\n"
    "[B]x]\r\n"
    "k=bx\r\n"
    "[NoClose\r\n"
    "k=shadowed\r\n"
    "[Dup]\r\n"
    "k=1\r\n"
    "k=2\r\n"
    "[dup]\r\n"
    "k=3\r\n"
    "only=4\r\n";

TEST(IniFileText, ReadsValuesAsTheProfileFunctionsDo) {
    TIniFile ini = FromText(kSyntax);
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"", "top", "before"},            // keys before any section
        {"Spaces", "Key1", "v a l"},      // blanks around name and value
        {" SPACES ", " key1 ", "v a l"},  // names matched trimmed, any case
        {"Spaces", "Key2", "x"},          // tabs and ^Z are white space
        {"Spaces", "Empty", ""},          // present, empty
        {"Spaces", "Eq", "b=c"},          // split at the first '='
        {"Quotes", "Double", "quoted"},   // a matching pair is removed
        {"Quotes", "Single", "single"},   //
        {"Quotes", "Half", "\"half"},     // no pair: kept
        {"Quotes", "Lone", "\""},         //
        {"Quotes", "Pair", ""},           //
        {"Quotes", "Inner", " sp "},      // trimmed first, then unquoted
        {"Quotes", "Mixed", "\"a'"},      //
        {"Lines", ";c", kDefault},        // comments are not keys
        {"Lines", "#h", "2"},             // only ';' starts a comment
        {"Lines", "noequal", kDefault},   // a line without '=' is no key
        {"Padded", "k", "padded"},        // "[ Padded ]"
        {"Trail", "k", "trail"},          // text after ']' ignored
        {"B]x", "k", "bx"},               // the name ends at the last ']'
        {"NoClose", "k", kDefault},       // no ']': not a header...
        {"B]x", "k", "bx"},               // ...so its lines stay in B]x
        {"Dup", "k", "1"},                // first of duplicate keys
        {"Dup", "only", kDefault},        // a duplicate section is not read
        {"Missing", "k", kDefault},       //
    };
    for (const Case& c : cases)
        EXPECT_EQ(ini.ReadString(c.section, c.key, kDefault), c.expected)
            << "[" << c.section << "] " << c.key;
    EXPECT_TRUE(ini.ValueExists("spaces", "EMPTY"));
    EXPECT_FALSE(ini.ValueExists("Lines", "noequal"));
    EXPECT_TRUE(ini.SectionExists("dup"));
    EXPECT_FALSE(ini.SectionExists("NoClose"));
}

TEST(IniFileText, ListsEachSectionAndKeyOnceInFileOrder) {
    TIniFile ini = FromText(kSyntax);
    EXPECT_EQ(ini.ReadSections(),
              (Strings{"Spaces", "Quotes", "Lines", "Padded", "Trail", "B]x", "Dup"}));
    EXPECT_EQ(ini.ReadSection("spaces"), (Strings{"Key1", "Key2", "Empty", "Eq"}));
    EXPECT_EQ(ini.ReadSection("Lines"), (Strings{"#h"}));
    EXPECT_EQ(ini.ReadSection("Dup"), (Strings{"k"}));
    EXPECT_EQ(ini.ReadSection("Missing"), Strings{});
    EXPECT_EQ(ini.ReadSectionValues("Quotes"),
              (Strings{"Double=quoted", "Single=single", "Half=\"half", "Lone=\"",
                       "Pair=", "Inner= sp ", "Mixed=\"a'"}));
}

TEST(IniFileText, UnchangedTextIsWrittenBackByteForByte) {
    EXPECT_EQ(FromText(kSyntax).GetText(), kSyntax);
    // Any line end reads as one; the text comes back with CR LF, the last line ended too.
    TIniFile ini = FromText("[LF]\nk=lf\n[CR]\rk=cr\r\r[End]\r\nk=last");
    EXPECT_EQ(ini.ReadString("LF", "k", ""), "lf");
    EXPECT_EQ(ini.ReadString("CR", "k", ""), "cr");
    EXPECT_EQ(ini.ReadString("End", "k", ""), "last");
    EXPECT_EQ(ini.GetText(), "[LF]\r\nk=lf\r\n[CR]\r\nk=cr\r\n\r\n[End]\r\nk=last\r\n");
}

TEST(IniFileText, EditsKeepOtherLinesAndPlaceNewOnesAtTheEnd) {
    TIniFile ini = FromText(ReadBytes(DataFile("edit.ini")));
    ini.WriteString("ACTION1", "title", "Dawn");       // in place, the file's spelling of the name
    ini.WriteInteger("Action1", "CountDownTime", 30);  // end of section, before the blank line
    ini.DeleteKey("Action2", "TODO1");                 // every duplicate goes
    ini.WriteString("Action3", "Title", "New");        // new section at the end of the file
    ini.EraseSection("options");                       // header, keys and its blank line
    EXPECT_EQ(ini.GetText(), ReadBytes(DataFile("edit.expected.ini")));
    EXPECT_EQ(ini.ReadSections(), (Strings{"Action1", "Action2", "Action3"}));
    EXPECT_FALSE(ini.ValueExists("Action2", "ToDo1"));
    EXPECT_EQ(ini.ReadInteger("Action1", "CountDownTime", 0), 30);
    EXPECT_EQ(ini.ReadString("Action1", "StartTime", ""), "7:00:00 AM");
}

TEST(IniFileText, ErasingASectionErasesItsDuplicatesToo) {
    TIniFile ini = FromText("[A]\r\nk=1\r\n[B]\r\nk=2\r\n[a]\r\nk=3\r\n");
    ini.EraseSection("A");
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_EQ(ini.ReadString("a", "k", kDefault), kDefault);
    EXPECT_EQ(ini.GetText(), "[B]\r\nk=2\r\n");
    ini.WriteString("A", "k", "4");  // the index follows the erase
    EXPECT_EQ(ini.ReadSections(), (Strings{"B", "A"}));
    EXPECT_EQ(ini.ReadString("B", "k", ""), "2");
}

TEST(IniFileText, SmallAndLargeSectionsFindTheirKeysAlike) {
    for (int count : {3, 200}) {  // a few keys, and a long ToDo list
        SCOPED_TRACE(count);
        std::string text = "[Action1]\r\n";
        for (int i = 1; i <= count; ++i)
            text += "ToDo" + std::to_string(i) + "=item" + std::to_string(i) + "\r\n";
        text += "todo2=duplicate\r\n\r\n[Action2]\r\nToDo1=other\r\n";
        TIniFile ini = FromText(text);
        EXPECT_EQ(ini.ReadSection("Action1").size(), static_cast<std::size_t>(count));
        EXPECT_EQ(ini.ReadString("Action1", "TODO2", ""), "item2");
        EXPECT_EQ(ini.ReadString("Action1", "ToDo" + std::to_string(count), ""),
                  "item" + std::to_string(count));

        ini.WriteString("Action1", "ToDo1", "replaced");
        ini.WriteString("Action1", "ToDoNum", std::to_string(count));
        ini.DeleteKey("Action1", "ToDo2");
        ini.WriteString("Action1", "Last", "x");
        EXPECT_EQ(ini.ReadString("Action1", "todo1", ""), "replaced");
        EXPECT_FALSE(ini.ValueExists("Action1", "ToDo2"));
        EXPECT_EQ(ini.ReadString("Action1", "ToDo3", ""), "item3");
        EXPECT_EQ(ini.ReadString("Action1", "ToDoNum", ""), std::to_string(count));
        EXPECT_EQ(ini.ReadString("Action2", "ToDo1", ""), "other");
        const std::string out = ini.GetText();
        EXPECT_NE(out.find("ToDoNum=" + std::to_string(count) + "\r\nLast=x\r\n\r\n[Action2]"),
                  std::string::npos);
        EXPECT_EQ(FromText(out).ReadSection("Action1"), ini.ReadSection("Action1"));
    }
}

TEST(IniFileText, WrittenValuesReadBackTheSameAfterReparsing) {
    const std::string longValue(5000, 'v');
    struct Case {
        std::string written;
        std::string read;
    } cases[] = {
        {"plain", "plain"},
        {"  padded  ", "padded"},        // the file can't keep outer blanks
        {"two\r\nlines", "two  lines"},  // a line break can't split the value
        {"x\n[Action9]\nPassword=", "x [Action9] Password="},
        {"\"quoted\"", "quoted"},  // stored as given, read unquoted
        {longValue, longValue},
    };
    for (const Case& c : cases) {
        TIniFile ini;
        ini.WriteString("Action1", "Title", c.written);
        ini.WriteString("Action1", "Next", "after");
        const std::string& expected = c.read;
        TIniFile reread = FromText(ini.GetText());
        const std::string shown = c.written.substr(0, 30);
        EXPECT_EQ(ini.ReadString("Action1", "Title", ""), expected) << shown;
        EXPECT_EQ(reread.ReadString("Action1", "Title", ""), expected) << shown;
        EXPECT_EQ(reread.ReadSections(), Strings{"Action1"}) << shown;
        EXPECT_EQ(reread.ReadSection("Action1"), (Strings{"Title", "Next"})) << shown;
    }
}

TEST(IniFileText, WritesTheFileCouldNotReadBackAreIgnored) {
    TIniFile ini = FromText("[S]\r\nk=1\r\n");
    const std::string before = ini.GetText();
    const char* keys[] = {"", "  ", "a=b", "[S]", ";c", "a\r\nb"};
    for (const char* key : keys) ini.WriteString("S", key, "v");
    ini.WriteString("", "k", "v");
    ini.WriteString("a\nb", "k", "v");
    EXPECT_EQ(ini.GetText(), before);
}

TEST(IniFileText, ReadsIntegersAndFlags) {
    struct Case {
        const char* text;  // nullptr: no key
        int expected;      // with default -99
    } cases[] = {
        {"12", 12},
        {"-7", -7},
        {"010", 10},
        {" 5 ", 5},
        {"\"12\"", 12},
        {"0x10", 16},
        {"0X1f", 31},
        {"0x7FFFFFFF", 2147483647},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", -99},
        {"-2147483649", -99},
        {"0x80000000", -99},
        {"0x", -99},
        {"0xG", -99},
        {"-0x10", -99},
        {"$10", -99},
        {"+5", -99},
        {"5a", -99},
        {"1.5", -99},
        {"-", -99},
        {"", -99},
        {"yes", -99},
        {nullptr, -99},
    };
    for (const Case& c : cases) {
        TIniFile ini = FromText(c.text ? std::string("[S]\r\nk=") + c.text + "\r\n" : "[S]\r\n");
        EXPECT_EQ(ini.ReadInteger("S", "k", -99), c.expected) << (c.text ? c.text : "(absent)");
    }
    TIniFile flags = FromText("[S]\r\nzero=0\r\ntwo=2\r\nminus=-1\r\nyes=yes\r\n");
    EXPECT_FALSE(flags.ReadBool("S", "zero", true));
    EXPECT_TRUE(flags.ReadBool("S", "two", false));
    EXPECT_TRUE(flags.ReadBool("S", "minus", false));
    EXPECT_FALSE(flags.ReadBool("S", "yes", false));
    EXPECT_TRUE(flags.ReadBool("S", "yes", true));
    EXPECT_TRUE(flags.ReadBool("S", "absent", true));

    TIniFile written;
    written.WriteInteger("S", "i", -42);
    written.WriteBool("S", "t", true);
    written.WriteBool("S", "f", false);
    EXPECT_EQ(written.GetText(), "[S]\r\ni=-42\r\nt=1\r\nf=0\r\n");
}

class IniFileDates : public ::testing::Test {
  protected:
    void SetUp() override { ResetFormatSettings(); }
    void TearDown() override { ResetFormatSettings(); }
    test::FakeOs fake;  // United States formats
    os::ScopedOs scoped{fake};
};

TEST_F(IniFileDates, ReadsTimesAndDatesInTheUsersFormats) {
    TIniFile ini = FromText(
        "[S]\r\nStart=1:30:00 PM\r\nMidnight=12:00:00 AM\r\nBadTime=25:00:00\r\nEmpty=\r\n"
        "Day=12/9/2024\r\nBadDay=13/45/2024\r\n");
    EXPECT_NEAR(ini.ReadTime("S", "Start", -1), 13.5 / 24, 1e-9);
    EXPECT_NEAR(ini.ReadTime("S", "Midnight", -1), 0, 1e-9);
    EXPECT_EQ(ini.ReadTime("S", "BadTime", -1), -1);
    EXPECT_EQ(ini.ReadTime("S", "Empty", -1), -1);
    EXPECT_EQ(ini.ReadTime("S", "Absent", -1), -1);
    EXPECT_EQ(ini.ReadDate("S", "Day", -1), EncodeDate(2024, 12, 9));
    EXPECT_EQ(ini.ReadDate("S", "BadDay", -1), -1);
    EXPECT_EQ(ini.ReadDate("S", "Start", -1), -1);

    TIniFile written;
    written.WriteTime("S", "t", EncodeTime(22, 5, 9, 0));
    written.WriteDate("S", "d", EncodeDate(2026, 2, 28));
    EXPECT_EQ(written.GetText(), "[S]\r\nt=10:05:09 PM\r\nd=2/28/2026\r\n");
    EXPECT_NEAR(written.ReadTime("S", "t", -1), EncodeTime(22, 5, 9, 0), 1e-9);
    EXPECT_EQ(written.ReadDate("S", "d", -1), EncodeDate(2026, 2, 28));
}

// --- The file layer --------------------------------------------------------------------------

class IniFileOnDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("vesperon-ini-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        ASSERT_TRUE(fs::create_directories(dir));
    }
    void TearDown() override { fs::remove_all(dir); }
    Strings Files() const {
        Strings names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        return names;
    }
    fs::path dir;
};

TEST_F(IniFileOnDisk, AMissingFileReadsEmptyAndIsNotCreated) {
    TIniFile ini((dir / "Config.INI").string());
    EXPECT_EQ(ini.ReadSections(), Strings{});
    EXPECT_EQ(ini.ReadInteger("Action1", "Behavior", 1), 1);
    EXPECT_EQ(Files(), Strings{});
}

TEST_F(IniFileOnDisk, GoldenFiles) {
    TIniFile bom(DataFile("bom.ini"));
    EXPECT_EQ(bom.ReadSections(), Strings{"Action1"});  // the mark is not part of the name
    EXPECT_EQ(bom.ReadString("Action1", "Title", ""), "Morning");
    EXPECT_EQ(bom.GetText(), ReadBytes(DataFile("bom.ini")));  // and is kept

    TIniFile longValue(DataFile("long-value.ini"));
    std::string value = longValue.ReadString("Action1", "SoundFile", "");
    EXPECT_EQ(value.size(), 3000u);
    EXPECT_EQ(value.substr(2040, 10), "0123456789");
    EXPECT_EQ(longValue.ReadString("Action1", "Title", ""), "after");

    TIniFile duplicates(DataFile("duplicates.ini"));
    EXPECT_EQ(duplicates.ReadSections(), (Strings{"Action1", "Options"}));
    EXPECT_EQ(duplicates.ReadString("action1", "title", ""), "first");
    EXPECT_EQ(duplicates.ReadInteger("Action1", "CountDownTime", -1), -1);
    EXPECT_EQ(duplicates.ReadSectionValues("Action1"), (Strings{"Title=first", "Behavior=2"}));
}

TEST_F(IniFileOnDisk, UpdateFileReplacesTheFileAndLeavesNoTemporary) {
    const std::string path = (dir / "Config.INI").string();
    { std::ofstream(path, std::ios::binary) << "; kept\r\n[Action1]\r\nTitle=old\r\n"; }
    TIniFile ini(path);
    ini.WriteString("Action1", "Title", "new");
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(ReadBytes(path), "; kept\r\n[Action1]\r\nTitle=new\r\n");
    EXPECT_EQ(Files(), Strings{"Config.INI"});
    EXPECT_EQ(TIniFile(path).ReadString("Action1", "Title", ""), "new");

    TIniFile created((dir / "New.INI").string());
    created.WriteString("A", "k", "v");
    ASSERT_TRUE(created.UpdateFile());
    EXPECT_EQ(ReadBytes((dir / "New.INI").string()), "[A]\r\nk=v\r\n");
}

TEST_F(IniFileOnDisk, AFailedUpdateLeavesTheOriginalAndNoTemporary) {
    struct RefusingOs : test::FakeOs {
        int attempts = 0;
        bool ReplaceFileAtomically(const std::string&, const std::string&) override {
            ++attempts;
            return false;
        }
    } refusing;
    os::ScopedOs scoped(refusing);
    const std::string path = (dir / "Config.INI").string();
    { std::ofstream(path, std::ios::binary) << "[Action1]\r\nTitle=old\r\n"; }
    TIniFile ini(path);
    ini.WriteString("Action1", "Title", "new");
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_EQ(refusing.attempts, 1);
    EXPECT_EQ(ReadBytes(path), "[Action1]\r\nTitle=old\r\n");
    EXPECT_EQ(Files(), Strings{"Config.INI"});

    // A folder that does not exist: nothing is made, no replace is tried.
    TIniFile nowhere((dir / "Config" / "Config.INI").string());
    nowhere.WriteString("A", "k", "v");
    EXPECT_FALSE(nowhere.UpdateFile());
    EXPECT_EQ(refusing.attempts, 1);
    EXPECT_EQ(Files(), Strings{"Config.INI"});
}

}  // namespace
