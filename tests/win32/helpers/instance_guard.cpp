// Stands for the desktop program's start: a hidden application window titled "Vesperon", then the
// single-instance guard. Exits with 3 at once when the guard finds another copy. Otherwise it
// shows that it runs by a window titled argv[1] and keeps running until one of its windows is
// closed (or 60 seconds pass), then exits with 0.
//
// With argv[2], the copies of one test meet before the guard: each releases the semaphore
// argv[2] + " ready" and then waits for the event argv[2] + " go", so that they all run the guard
// at the same moment.
#include <windows.h>

#include <string>

#include "common/CommUnit.h"

namespace {

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE || (message == WM_TIMER && wParam == 1)) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

class HelperApplication : public TApplicationBase {
  public:
    explicit HelperApplication(HWND window) : window_(window) {}
    std::string GetTitle() override {
        char buffer[256] = {};
        ::GetWindowTextA(window_, buffer, sizeof buffer);
        return buffer;
    }
    void SetTitle(const std::string& Title) override { ::SetWindowTextA(window_, Title.c_str()); }
    std::uintptr_t GetInstanceHandle() override {
        return reinterpret_cast<std::uintptr_t>(::GetModuleHandleA(nullptr));
    }
    void Terminate() override { ::PostQuitMessage(0); }

  private:
    HWND window_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = "VesperonGuardHelper";
    ::RegisterClassA(&wc);
    // Created without WS_VISIBLE: hidden, as the application window is.
    HWND appWindow = ::CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, instance, nullptr);
    if (!appWindow) return 2;
    HelperApplication app(appWindow);
    app.SetTitle(kApplicationTitle);
    if (argc >= 3) {
        const std::string meeting = argv[2];
        HANDLE ready =
            ::OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, (meeting + " ready").c_str());
        HANDLE go = ::OpenEventA(SYNCHRONIZE, FALSE, (meeting + " go").c_str());
        if (!ready || !go) return 2;
        ::ReleaseSemaphore(ready, 1, nullptr);
        ::WaitForSingleObject(go, 30000);
        ::CloseHandle(ready);
        ::CloseHandle(go);
    }
    if (IsAnotherInstanceRunning(app)) return 3;

    HWND ready = ::CreateWindowExA(0, wc.lpszClassName, argv[1], WS_POPUP, 0, 0, 0, 0, nullptr,
                                   nullptr, instance, nullptr);
    if (!ready) return 2;
    ::SetTimer(ready, 1, 60000, nullptr);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
    return 0;
}
