// A receiver of string messages: a top-level window titled argv[1] that appends one line per
// WM_COPYDATA to the file argv[2] ("<dwData> <cbData> <bytes as hex>"), before it returns from the
// message. Runs until the window is closed or 60 seconds pass.
#include <windows.h>

#include <cstdio>

namespace {

const char* g_outputPath = nullptr;

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COPYDATA: {
            const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (std::FILE* out = std::fopen(g_outputPath, "ab")) {
                std::fprintf(out, "%llu %lu ", static_cast<unsigned long long>(cds->dwData),
                             static_cast<unsigned long>(cds->cbData));
                const auto* bytes = static_cast<const unsigned char*>(cds->lpData);
                for (DWORD i = 0; i < cds->cbData; ++i) std::fprintf(out, "%02x", bytes[i]);
                std::fprintf(out, "\n");
                std::fclose(out);
            }
            return TRUE;
        }
        case WM_TIMER:
        case WM_CLOSE:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    g_outputPath = argv[2];
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &WndProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "VesperonMessageReceiver";
    ::RegisterClassA(&wc);
    HWND window = ::CreateWindowExA(0, wc.lpszClassName, argv[1], WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                    100, nullptr, nullptr, wc.hInstance, nullptr);
    if (!window) return 2;
    ::SetTimer(window, 1, 60000, nullptr);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
    return 0;
}
