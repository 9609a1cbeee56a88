// The trace channel against real windows: a "Debug Server" window in a thread of this test
// receives the WM_COPYDATA messages and keeps their bytes.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "common/DebugAgentUnit.h"

namespace {
std::atomic<long> g_allocations{0};
}

// Counts this program's heap allocations, to show that a trace call without a viewer makes none.
void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

const char kViewerClass[] = "VesperonTraceTestViewer";

struct Received {
    WPARAM wParam;
    ULONG_PTR dwData;
    std::string bytes;  // all cbData bytes
};

// A top-level window titled "Debug Server", with its own thread and message loop.
class ViewerWindow {
  public:
    ViewerWindow() {
        ready_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = ::CreateThread(nullptr, 0, &ViewerWindow::ThreadProc, this, 0, nullptr);
        ::WaitForSingleObject(ready_, 10000);
    }
    ~ViewerWindow() {
        if (window_) ::PostMessageA(window_, WM_CLOSE, 0, 0);
        ::WaitForSingleObject(thread_, 10000);
        ::CloseHandle(thread_);
        ::CloseHandle(ready_);
    }
    ViewerWindow(const ViewerWindow&) = delete;
    ViewerWindow& operator=(const ViewerWindow&) = delete;

    HWND Handle() const { return window_; }
    std::vector<Received> TakeReceived() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::move(received_);
    }

  private:
    static DWORD WINAPI ThreadProc(void* param) {
        auto* self = static_cast<ViewerWindow*>(param);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &ViewerWindow::WndProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = kViewerClass;
        ::RegisterClassA(&wc);  // fails harmlessly when a previous viewer registered it
        self->window_ = ::CreateWindowExA(0, kViewerClass, "Debug Server", WS_OVERLAPPEDWINDOW, 0,
                                          0, 200, 100, nullptr, nullptr, wc.hInstance, self);
        ::SetEvent(self->ready_);
        if (!self->window_) return 1;
        MSG msg;
        while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        return 0;
    }
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE) {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
            ::SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        }
        auto* self = reinterpret_cast<ViewerWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        switch (msg) {
            case WM_COPYDATA:
                if (self) {
                    auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
                    std::lock_guard<std::mutex> lock(self->mutex_);
                    self->received_.push_back(
                        {wParam, cds->dwData,
                         std::string(static_cast<const char*>(cds->lpData), cds->cbData)});
                }
                return TRUE;
            case WM_DESTROY:
                ::PostQuitMessage(0);
                return 0;
            case WM_NCDESTROY:
                ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
                break;
        }
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    HANDLE ready_ = nullptr;
    HANDLE thread_ = nullptr;
    HWND window_ = nullptr;
    std::mutex mutex_;
    std::vector<Received> received_;
};

}  // namespace

TEST(TraceChannel, WithoutViewerReturnsFalseAndAllocatesNothing) {
    ASSERT_EQ(FindWindowInAllOS(nullptr, "Debug Server"), 0u)
        << "a \"Debug Server\" window already runs in this Wine prefix";
    const std::string unit = "ShutdownEventUnit", text = "a line that is never sent";
    long before = g_allocations.load();
    delete new std::string(100, 'x');  // the counter sees this program's allocations
    ASSERT_GT(g_allocations.load(), before);
    before = g_allocations.load();
    bool sent = SendDebugAgentMsg(unit, kTraceLevel, text);
    long after = g_allocations.load();
    EXPECT_FALSE(sent);
    EXPECT_EQ(after - before, 0);
}

TEST(TraceChannel, NamesComeFromTheSystem) {
    char computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof computer;
    ASSERT_TRUE(::GetComputerNameA(computer, &size));
    EXPECT_EQ(GetComputerNameString(), computer);
    std::string user = GetUserNameString();
    EXPECT_NE(user, "Unkown");
    EXPECT_FALSE(user.empty());
}

TEST(TraceChannel, ViewerReceivesTheLineLayout) {
    ViewerWindow viewer;
    ASSERT_NE(viewer.Handle(), nullptr);
    // Any window class: the search is by title alone.
    EXPECT_EQ(FindWindowInAllOS(nullptr, "Debug Server"), os::WindowHandle(viewer.Handle()));
    EXPECT_EQ(FindWindowInAllOS(kViewerClass, "Debug Server"), os::WindowHandle(viewer.Handle()));
    EXPECT_EQ(FindWindowInAllOS("NoSuchClass", "Debug Server"), 0u);

    struct Case {
        std::string unit, text, field3, field4;
    } cases[] = {
        {"ShutdownEventUnit", "scan", "ShutdownEventUnit", "scan"},       // 17: whole
        {"TThreadShutdownTimerX", "tick", "TThreadShutdownTim", "tick"},  // 21: first 18
        {"CommUnit", "", "CommUnit", ""},                                 // ends in a TAB
        {"CommUnit", "two\r\nlines\tand a tab", "CommUnit", "two\r\nlines\tand a tab"},
    };
    const std::string prefix = GetComputerNameString() + "\t" + GetUserNameString() + "\t";
    for (const auto& c : cases) EXPECT_TRUE(SendDebugAgentMsg(c.unit, kTraceLevelMain, c.text));

    std::vector<Received> received = viewer.TakeReceived();  // the sends were synchronous
    ASSERT_EQ(received.size(), std::size(cases));
    for (std::size_t i = 0; i < received.size(); ++i) {
        SCOPED_TRACE(cases[i].unit);
        const std::string line = prefix + cases[i].field3 + "\t" + cases[i].field4;
        EXPECT_EQ(received[i].wParam, 0u);
        EXPECT_EQ(received[i].dwData, 0u);
        EXPECT_EQ(received[i].bytes, line + '\0');  // cbData counts the NUL
    }
    EXPECT_EQ(received[2].bytes.back(), '\0');
    EXPECT_EQ(received[2].bytes[received[2].bytes.size() - 2], '\t');
}

TEST(TraceChannel, ClosedViewerIsNoLongerFound) {
    {
        ViewerWindow viewer;
        ASSERT_NE(viewer.Handle(), nullptr);
    }
    EXPECT_EQ(FindWindowInAllOS(nullptr, "Debug Server"), 0u);
    EXPECT_FALSE(SendDebugAgentMsg("CommUnit", kTraceLevel, "after close"));
}
