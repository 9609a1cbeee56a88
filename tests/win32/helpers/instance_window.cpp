// A process with one top-level window titled argv[1] (of its own class), running until the
// window is closed or 60 seconds pass.
#include <windows.h>

namespace {
LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE || (message == WM_TIMER && wParam == 1)) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &WndProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "SomeOtherProgramWindow";
    ::RegisterClassA(&wc);
    HWND window = ::CreateWindowExA(0, wc.lpszClassName, argv[1], WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                    100, nullptr, nullptr, wc.hInstance, nullptr);
    if (!window) return 2;
    ::SetTimer(window, 1, 60000, nullptr);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
    return 0;
}
