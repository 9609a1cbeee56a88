// Test helper: stands in for a running desktop program until STOPFILE exists.
//   service_desktop_standin.exe STOPFILE           a top-level window titled "Vesperon"
//   service_desktop_standin.exe STOPFILE --mutex   the desktop program's running mutex instead
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "common/CommUnit.h"

namespace {

const char* g_stopFile = nullptr;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && ::GetFileAttributesA(g_stopFile) != INVALID_FILE_ATTRIBUTES) {
        ::DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: service_desktop_standin STOPFILE [--mutex]\n");
        return 2;
    }
    g_stopFile = argv[1];
    const bool mutexOnly = argc > 2 && std::strcmp(argv[2], "--mutex") == 0;
    HANDLE mutex = nullptr;
    if (mutexOnly) {
        mutex = ::CreateMutexA(nullptr, TRUE, kDesktopRunningMutexName);
        if (!mutex) {
            std::fprintf(stderr, "CreateMutex failed: %lu\n", ::GetLastError());
            return 1;
        }
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VesperonStandIn";
    ::RegisterClassA(&windowClass);
    // Without the mutex the window carries the desktop program's title; with it, another title,
    // so that the mutex alone marks the program as running.
    HWND window = ::CreateWindowExA(
        0, windowClass.lpszClassName, mutexOnly ? "Vesperon stand-in" : kApplicationTitle,
        WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) {
        std::fprintf(stderr, "CreateWindowEx failed: %lu\n", ::GetLastError());
        return 1;
    }
    ::SetTimer(window, 1, 200, nullptr);
    std::printf("stand-in up\n");
    std::fflush(stdout);
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    if (mutex) ::CloseHandle(mutex);
    return 0;
}
