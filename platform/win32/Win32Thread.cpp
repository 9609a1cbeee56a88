// Win32 seam: threads with a chosen stack reservation.
#include <process.h>
#include <windows.h>

#include <memory>

#include "platform/win32/Win32Os.h"

namespace os {

namespace {
struct StartInfo {
    void (*entry)(void*);
    void* context;
};

unsigned __stdcall ThreadMain(void* param) {
    std::unique_ptr<StartInfo> info(static_cast<StartInfo*>(param));
    info->entry(info->context);
    return 0;
}
}  // namespace

bool Win32Os::StartThread(void (*entry)(void*), void* context, std::size_t stackSize) {
    auto* info = new StartInfo{entry, context};
    // The size is the reservation, not the first commit, so an idle thread costs little.
    std::uintptr_t handle = ::_beginthreadex(nullptr, static_cast<unsigned>(stackSize), &ThreadMain,
                                             info, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (handle == 0) {
        delete info;
        return false;
    }
    ::CloseHandle(reinterpret_cast<HANDLE>(handle));
    return true;
}

}  // namespace os
