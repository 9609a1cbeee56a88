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

void Install(Os* replacement) { g_installed.store(replacement, std::memory_order_release); }

}  // namespace os
