// String messages, message boxes and shell launches against the real API: a receiver process
// (message_receiver.exe) records what arrives, and a watcher thread reads and closes the boxes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "common/CommUnit.h"
#include "common/ShellUnit.h"
#include "tests/support/FakeOs.h"

namespace {

std::string HelperPath(const char* name) {
    std::string self = os::System().ProgramFilePath();
    return self.substr(0, self.find_last_of('\\') + 1) + name;
}

std::string TempPath(const std::string& name) {
    char dir[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name + "." + std::to_string(::GetCurrentProcessId());
}

HWND WaitForWindow(const std::string& title, DWORD timeoutMs = 20000) {
    for (DWORD waited = 0;; waited += 20) {
        if (HWND w = ::FindWindowExA(nullptr, nullptr, nullptr, title.c_str())) return w;
        if (waited >= timeoutMs) return nullptr;
        ::Sleep(20);
    }
}

// The real system, except that the trace viewer is a stand-in that keeps the text of every
// trace line: a real "Debug Server" window would be shared with whatever else runs under the
// same Wine prefix (the trace channel itself is tested in trace_test).
class TraceCapturingOs : public test::FakeOs {
  public:
    std::vector<std::string> traces;  // the texts after the computer, user and unit fields

    os::WindowHandle FindTopLevelWindow(const char* className, const char* title) override {
        if (title && std::string(title) == "Debug Server") return kViewer;
        return os::System().FindTopLevelWindow(className, title);
    }
    bool SendCopyData(os::WindowHandle target, std::uintptr_t dwData, const void* data,
                      std::uint32_t cbData) override {
        if (target != kViewer) return os::System().SendCopyData(target, dwData, data, cbData);
        std::string line = static_cast<const char*>(data);
        const std::string unit = "\tCommUnit\t";
        std::size_t at = line.find(unit);
        traces.push_back(at == std::string::npos ? line : line.substr(at + unit.size()));
        return true;
    }

  private:
    static constexpr os::WindowHandle kViewer = 1;  // no real window has this handle
};

std::string Hex(const std::string& bytes) {
    std::string hex;
    char two[3];
    for (unsigned char c : bytes) {
        std::snprintf(two, sizeof two, "%02x", c);
        hex += two;
    }
    return hex;
}

TEST(StringMessage, ArrivesInAnotherProcessWithCbDataCountingTheNul) {
    TraceCapturingOs capture;
    os::ScopedOs scoped(capture);
    const std::string title =
        "Vesperon message receiver " + std::to_string(::GetCurrentProcessId());
    const std::string output = TempPath("message-receiver");
    ::DeleteFileA(output.c_str());
    std::string commandLine =
        "\"" + HelperPath("message_receiver.exe") + "\" \"" + title + "\" \"" + output + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &si, &pi));
    ::CloseHandle(pi.hThread);
    HWND receiver = WaitForWindow(title);

    struct Case {
        std::string text;
        std::uint32_t param;
    } cases[] = {
        {"Action3", 0},
        {"", 0},
        {std::string(300, 'x'), 7},
        {"Aktion \xE4\xF6\xFC \r\n2", 0xFFFFFFFFu},
    };
    if (receiver) {
        for (const Case& c : cases)
            EXPECT_TRUE(SendStringMessageToWindow(reinterpret_cast<os::WindowHandle>(receiver),
                                                  c.text, c.param));
        ::PostMessageA(receiver, WM_CLOSE, 0, 0);
    }
    if (::WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 99);
    ::CloseHandle(pi.hProcess);
    ASSERT_NE(receiver, nullptr) << "the receiver window did not appear";

    // The send is synchronous: each line was written before its send returned.
    std::ifstream in(output);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ::DeleteFileA(output.c_str());
    ASSERT_EQ(lines.size(), std::size(cases));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(lines[i], std::to_string(c.param) + " " + std::to_string(c.text.size() + 1) +
                                " " + Hex(c.text + '\0'));
    }

    const std::vector<std::string> traces = capture.traces;
    ASSERT_EQ(traces.size(), std::size(cases));
    EXPECT_EQ(traces[0], "SendStringMessageToWindow: Send Message \r\n74 To Window: " +
                             std::to_string(reinterpret_cast<std::uintptr_t>(receiver)) +
                             " \r\ndwPara: 0\r\nMessage: Action3");
}

TEST(StringMessage, AWindowThatIsGoneStillGetsTracedAndTrue) {
    TraceCapturingOs capture;
    os::ScopedOs scoped(capture);
    HWND gone = ::CreateWindowExA(0, "STATIC", "soon gone", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    ::DestroyWindow(gone);
    const auto handle = reinterpret_cast<os::WindowHandle>(gone);
    EXPECT_TRUE(SendStringMessageToWindow(handle, "Action1", 0));
    EXPECT_EQ(capture.traces, std::vector<std::string>{
                                  "SendStringMessageToWindow: Send Message \r\n74 To Window: " +
                                  std::to_string(handle) + " \r\ndwPara: 0\r\nMessage: Action1"});
}

// A dialog of this process with that caption (other programs under the same Wine prefix may
// show boxes of their own meanwhile); null when there is none.
HWND OwnBox(const std::string& caption) {
    for (HWND w = nullptr; (w = ::FindWindowExA(nullptr, w, "#32770", caption.c_str()));) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(w, &process);
        if (process == ::GetCurrentProcessId()) return w;
    }
    return nullptr;
}

// Waits on its own thread for a message box with that caption, reads it and presses OK.
class BoxWatcher {
  public:
    explicit BoxWatcher(std::string caption) : caption_(std::move(caption)) {
        thread_ = ::CreateThread(nullptr, 0, &BoxWatcher::ThreadProc, this, 0, nullptr);
    }
    ~BoxWatcher() { Join(); }
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    void Join() {
        if (!thread_) return;
        ::WaitForSingleObject(thread_, 30000);
        ::CloseHandle(thread_);
        thread_ = nullptr;
    }
    bool found = false;
    bool topMost = false;
    std::string text;

  private:
    static DWORD WINAPI ThreadProc(void* param) {
        auto* self = static_cast<BoxWatcher*>(param);
        HWND box = nullptr;
        for (int i = 0; i < 750 && !(box = OwnBox(self->caption_)); ++i) ::Sleep(20);
        if (!box) return 1;
        self->found = true;
        // The box takes its styles while it initialises, before it shows.
        for (int i = 0; i < 500 && !::IsWindowVisible(box); ++i) ::Sleep(10);
        self->topMost = (::GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        char buffer[2048] = {};
        ::GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);  // the box's text control
        self->text = buffer;
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        return 0;
    }

    std::string caption_;
    HANDLE thread_ = nullptr;
};

TEST(MessageBoxes, ShowMsgBoxIsTopMostWithTheKindsCaption) {
    BoxWatcher watcher("Stop Now");
    ShowMsgBox(7, "The event file can't be written.");  // returns once the watcher pressed OK
    watcher.Join();
    ASSERT_TRUE(watcher.found) << "no box captioned \"Stop Now\" appeared";
    EXPECT_TRUE(watcher.topMost);
    EXPECT_EQ(watcher.text, "The event file can't be written.");
}

TEST(MessageBoxes, MissingFileIsExplainedByTheShellLaunch) {
    const std::string missing = "C:\\no such folder\\no such file.txt";
    BoxWatcher watcher("Error");
    ShellExecuteFile(0, "Open", missing.c_str(), nullptr, nullptr, 1);
    watcher.Join();
    ASSERT_TRUE(watcher.found) << "no box captioned \"Error\" appeared";
    // Not checked here: Wine makes only system-modal boxes top-most and ignores MB_TOPMOST; the
    // native tests check the flags this box is asked for.
    EXPECT_EQ(watcher.text.rfind("The specified file was not found.\r\n", 0), 0u) << watcher.text;
    EXPECT_NE(watcher.text.find("make sure that " + missing + "\r\n"), std::string::npos);
}

TEST(ShellCodes, TheShellsFailureCodesComeBackUnchanged) {
    EXPECT_EQ(os::System().ShellOpen(0, "Open", "C:\\no such folder\\no such file.txt", nullptr,
                                     nullptr, 1),
              2);
    const std::string orphan = TempPath("document") + ".vesperonnoassoc";
    std::ofstream(orphan) << "x";
    EXPECT_EQ(os::System().ShellOpen(0, "Open", orphan.c_str(), nullptr, nullptr, 1), 31);
    ::DeleteFileA(orphan.c_str());
}

}  // namespace
