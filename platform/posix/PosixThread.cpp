// POSIX seam: threads with a chosen stack size.
#include <pthread.h>

#include <memory>

#include "platform/posix/PosixOs.h"

namespace os {

namespace {
struct StartInfo {
    void (*entry)(void*);
    void* context;
};

void* ThreadMain(void* param) {
    std::unique_ptr<StartInfo> info(static_cast<StartInfo*>(param));
    info->entry(info->context);
    return nullptr;
}
}  // namespace

bool PosixOs::StartThread(void (*entry)(void*), void* context, std::size_t stackSize) {
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0) return false;
    ::pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    // A size the system refuses (below its minimum) leaves the default in force.
    if (stackSize) ::pthread_attr_setstacksize(&attributes, stackSize);
    auto* info = new StartInfo{entry, context};
    pthread_t thread;
    int error = ::pthread_create(&thread, &attributes, &ThreadMain, info);
    ::pthread_attr_destroy(&attributes);
    if (error != 0) {
        delete info;
        return false;
    }
    return true;
}

}  // namespace os
