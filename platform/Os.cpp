#include "platform/Os.h"

#include <atomic>

namespace os {

namespace {
std::atomic<Os*> g_installed{nullptr};
}

Os& Current() {
    Os* installed = g_installed.load(std::memory_order_acquire);
    return installed ? *installed : System();
}

bool Os::StartThread(void (*entry)(void*), void* context, std::size_t stackSize) {
    return System().StartThread(entry, context, stackSize);
}

void Install(Os* replacement) {
    g_installed.store(replacement, std::memory_order_release);
}

}  // namespace os
