#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/ShutdownEventUnit.h"
#include "tests/support/FakeOs.h"

namespace fs = std::filesystem;

namespace {

// A fake whose program file lies in a temporary Bin folder, with a "Debug Server" viewer that
// keeps every trace message. Its log file admits one writer at a time, as the Win32 file does
// (a second open for writing fails while the first is open).
struct LogOs : test::FakeOs {
    std::vector<std::string> traces;  // "unit|text"
    bool appendThrows = false;
    std::atomic<bool> writing{false};
    os::WindowHandle FindTopLevelWindow(const char* className, const char* title) override {
        return !className && title && std::string(title) == "Debug Server" ? 7 : 0;
    }
    bool SendCopyData(os::WindowHandle, std::uintptr_t, const void* data,
                      std::uint32_t cbData) override {
        std::string unit, text;
        test::SplitTraceMessage(data, cbData, unit, text);
        std::lock_guard<std::recursive_mutex> lock(mutex);
        traces.push_back(unit + "|" + text);
        return true;
    }
    bool AppendToFile(const std::string& path, const std::string& data) override {
        if (appendThrows) throw std::runtime_error("disk on fire");
        if (writing.exchange(true)) return false;  // held by another writer: the line is lost
        std::this_thread::yield();
        bool ok = FakeOs::AppendToFile(path, data);
        writing = false;
        return ok;
    }
};

class WriteLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetFormatSettings();
        root =
            fs::temp_directory_path() /
            ("vesperon-log-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        ASSERT_TRUE(fs::create_directories(root / "Bin" / "Log"));
        fake.programFilePath = (root / "Bin" / "Vesperon.exe").string();
        log = root / "Bin" / "Log" / "Vesperon.exe.log";
    }
    void TearDown() override {
        fs::remove_all(root);
        ResetFormatSettings();
    }
    std::string LogText() const {
        std::ifstream in(log, std::ios::binary);
        EXPECT_TRUE(in) << "no log at " << log;
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    LogOs fake;  // 12/9/2024 10:33:05 AM, user "operator", United States formats
    os::ScopedOs scoped{fake};
    fs::path root, log;
};

TEST_F(WriteLogTest, TheFirstLineCreatesTheFileAndLaterOnesAppend) {
    WriteLog("Timer thread created: Action1");
    EXPECT_EQ(LogText(), "12/9/2024 10:33:05 AM operator Timer thread created: Action1\r\n");
    ASSERT_EQ(fake.traces.size(), 1u);  // traced without the line end, as unit ShutDownEventUnit
    EXPECT_EQ(fake.traces[0],
              "ShutDownEventUnit|12/9/2024 10:33:05 AM operator Timer thread "
              "created: Action1");

    fake.now = EncodeDate(2024, 12, 10);  // exactly midnight: no time
    fake.namesAvailable = false;
    WriteLog("");
    fake.now = EncodeDate(2024, 12, 10) + EncodeTime(13, 0, 1, 0);
    fake.namesAvailable = true;
    WriteLog("first\r\nsecond");
    EXPECT_EQ(LogText(),
              "12/9/2024 10:33:05 AM operator Timer thread created: Action1\r\n"
              "12/10/2024 Unkown \r\n"
              "12/10/2024 1:00:01 PM operator first\r\n"
              "second\r\n");
}

TEST_F(WriteLogTest, WithoutALogFolderNothingIsCreatedButTheTraceIsSent) {
    fs::remove(root / "Bin" / "Log");
    WriteLog("lost");
    EXPECT_TRUE(fs::is_empty(root / "Bin"));
    EXPECT_EQ(fake.traces,
              std::vector<std::string>{"ShutDownEventUnit|12/9/2024 10:33:05 AM operator lost"});
}

TEST_F(WriteLogTest, NeverRaises) {
    fake.appendThrows = true;
    EXPECT_NO_THROW(WriteLog("contained"));
    fake.appendThrows = false;
    fake.programFilePath = "";  // a path with no folder at all
    EXPECT_NO_THROW(WriteLog("nowhere"));
    fake.programFilePath = (root / "Bin" / "Vesperon.exe").string();
    WriteLog("next call starts afresh");
    EXPECT_EQ(LogText(), "12/9/2024 10:33:05 AM operator next call starts afresh\r\n");
}

TEST_F(WriteLogTest, WritersInOneProcessLoseNoLines) {
    const int kThreads = 40, kLines = 100;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                WriteLog("writer " + std::to_string(t) + " line " + std::to_string(i) + " " +
                         std::string(200, 'x'));
        });
    for (std::thread& thread : threads) thread.join();

    const std::string text = LogText();
    const std::string prefix = "12/9/2024 10:33:05 AM operator writer ";
    const std::string tail = " " + std::string(200, 'x');
    std::set<std::string> seen;
    std::size_t pos = 0, lines = 0;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos) << "unterminated last line";
        std::string line = text.substr(pos, end - pos);
        ++lines;
        ASSERT_EQ(line.compare(0, prefix.size(), prefix), 0) << line;
        ASSERT_GT(line.size(), prefix.size() + tail.size());
        ASSERT_EQ(line.compare(line.size() - tail.size(), tail.size(), tail), 0) << line;
        seen.insert(line.substr(prefix.size(), line.size() - prefix.size() - tail.size()));
        pos = end + 2;
    }
    EXPECT_EQ(lines, static_cast<std::size_t>(kThreads * kLines));
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kLines));
}

}  // namespace
