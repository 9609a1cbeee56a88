// String messages, message boxes and shell launches against the real API: a receiver process
// (message_receiver.exe) records what arrives, a "Debug Server" window in a thread of this test
// keeps the trace lines, and a watcher thread reads and closes the boxes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "common/CommUnit.h"
#include "common/ShellUnit.h"

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

HWND WaitForWindow(const char* className, const std::string& title, DWORD timeoutMs = 20000) {
    for (DWORD waited = 0;; waited += 20) {
        if (HWND w = ::FindWindowExA(nullptr, nullptr, className, title.c_str())) return w;
        if (waited >= timeoutMs) return nullptr;
        ::Sleep(20);
    }
}

// A top-level window titled "Debug Server" on its own thread; keeps the text of every trace line.
class TraceViewer {
  public:
    TraceViewer() {
        ready_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = ::CreateThread(nullptr, 0, &TraceViewer::ThreadProc, this, 0, nullptr);
        ::WaitForSingleObject(ready_, 10000);
    }
    ~TraceViewer() {
        if (window_) ::PostMessageA(window_, WM_CLOSE, 0, 0);
        ::WaitForSingleObject(thread_, 10000);
        ::CloseHandle(thread_);
        ::CloseHandle(ready_);
    }
    TraceViewer(const TraceViewer&) = delete;
    TraceViewer& operator=(const TraceViewer&) = delete;

    bool Running() const { return window_ != nullptr; }
    // The texts after the computer, user and unit fields, for the unit "CommUnit".
    std::vector<std::string> CommUnitTexts() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> texts;
        for (const std::string& line : lines_) {
            std::size_t unit = line.find('\t', line.find('\t') + 1);
            if (line.compare(unit + 1, 9, "CommUnit\t") == 0)
                texts.push_back(line.substr(unit + 10));
        }
        return texts;
    }

  private:
    static DWORD WINAPI ThreadProc(void* param) {
        auto* self = static_cast<TraceViewer*>(param);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &TraceViewer::WndProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "VesperonMessageTestViewer";
        ::RegisterClassA(&wc);
        self->window_ = ::CreateWindowExA(0, wc.lpszClassName, "Debug Server", WS_OVERLAPPEDWINDOW,
                                          0, 0, 200, 100, nullptr, nullptr, wc.hInstance, self);
        ::SetEvent(self->ready_);
        MSG msg;
        while (self->window_ && ::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
        return 0;
    }
    static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            ::SetWindowLongPtrA(window, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(
                                    reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<TraceViewer*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        switch (message) {
            case WM_COPYDATA: {
                const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
                std::lock_guard<std::mutex> lock(self->mutex_);
                self->lines_.emplace_back(static_cast<const char*>(cds->lpData));
                return TRUE;
            }
            case WM_CLOSE:
                ::DestroyWindow(window);
                return 0;
            case WM_DESTROY:
                ::PostQuitMessage(0);
                return 0;
            default:
                return ::DefWindowProcA(window, message, wParam, lParam);
        }
    }

    HANDLE ready_ = nullptr;
    HANDLE thread_ = nullptr;
    HWND window_ = nullptr;
    std::mutex mutex_;
    std::vector<std::string> lines_;
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
    TraceViewer viewer;
    ASSERT_TRUE(viewer.Running());
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
    HWND receiver = WaitForWindow(nullptr, title);

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

    const std::vector<std::string> traces = viewer.CommUnitTexts();
    ASSERT_EQ(traces.size(), std::size(cases));
    EXPECT_EQ(traces[0], "SendStringMessageToWindow: Send Message \r\n74 To Window: " +
                             std::to_string(reinterpret_cast<std::uintptr_t>(receiver)) +
                             " \r\ndwPara: 0\r\nMessage: Action3");
}

TEST(StringMessage, AWindowThatIsGoneStillGetsTracedAndTrue) {
    TraceViewer viewer;
    ASSERT_TRUE(viewer.Running());
    HWND gone = ::CreateWindowExA(0, "STATIC", "soon gone", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    ::DestroyWindow(gone);
    const auto handle = reinterpret_cast<os::WindowHandle>(gone);
    EXPECT_TRUE(SendStringMessageToWindow(handle, "Action1", 0));
    EXPECT_EQ(
        viewer.CommUnitTexts(),
        std::vector<std::string>{"SendStringMessageToWindow: Send Message \r\n74 To Window: " +
                                 std::to_string(handle) + " \r\ndwPara: 0\r\nMessage: Action1"});
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
        HWND box = WaitForWindow("#32770", self->caption_, 15000);
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
