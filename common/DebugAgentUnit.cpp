#include "common/DebugAgentUnit.h"

namespace {

const char kViewerTitle[] = "Debug Server";
const std::size_t kUnitNameLength = 18;
const char kUnknownName[] = "Unkown";

}  // namespace

bool SendDebugAgentMsg(const std::string& UnitName, std::int32_t /*Level*/,
                       const std::string& Text) noexcept {
    try {
        // Nothing is built before the viewer is known to exist: without one, a call costs the
        // window search alone.
        os::WindowHandle viewer = FindWindowInAllOS(nullptr, kViewerTitle);
        if (viewer == 0) return false;
        std::string message = GetComputerNameString();
        message += '\t';
        message += GetUserNameString();
        message += '\t';
        message.append(UnitName, 0, kUnitNameLength);
        message += '\t';
        message += Text;
        // The string's buffer holds the text and its NUL; cbData counts the NUL. A viewer that
        // closed since the search makes the send fail, which is ignored.
        os::Current().SendCopyData(viewer, 0, message.c_str(),
                                   static_cast<std::uint32_t>(message.size() + 1));
        return true;
    } catch (...) {
        // A trace call never raises; out of memory the line is dropped.
        return false;
    }
}

std::string GetComputerNameString() {
    std::string name;
    return os::Current().ComputerName(name) ? name : kUnknownName;
}

std::string GetUserNameString() {
    std::string name;
    return os::Current().UserName(name) ? name : kUnknownName;
}

os::WindowHandle FindWindowInAllOS(const char* ClassName, const char* WindowName) {
    return os::Current().FindTopLevelWindow(ClassName, WindowName);
}
