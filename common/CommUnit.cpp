// Common services: program folders, window messaging and the single-instance guard, message
// boxes, registry helpers and day names.
#include "common/CommUnit.h"

#include <cstring>
#include <memory>

#include "common/DebugAgentUnit.h"

namespace {

constexpr const char* kUnitName = "CommUnit";
// How long the guard waits for a window of a copy that is giving way to disappear.
constexpr unsigned kGivingWayGraceMs = 2000;
constexpr unsigned kGivingWayPollMs = 50;

bool IsPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == ':';
#else
    return c == '\\' || c == ':' || c == '/';
#endif
}

// Index of the last separator, npos when there is none.
std::size_t LastSeparator(const std::string& path) {
    for (std::size_t i = path.size(); i-- > 0;)
        if (IsPathSeparator(path[i])) return i;
    return std::string::npos;
}

// The separator that joins the parts appended to a folder of the program path: the backslash,
// but on non-Windows builds a slash unless the program path is backslash separated, so that
// "Log/..." still means a folder there.
char JoinSeparator(const std::string& programPath) {
#ifdef _WIN32
    (void)programPath;
    return '\\';
#else
    std::size_t i = LastSeparator(programPath);
    return i != std::string::npos && programPath[i] != '/' ? '\\' : '/';
#endif
}

}  // namespace

// --- Program folders ---------------------------------------------------------------------------

std::string GetEventFilePath() {
    const std::string program = os::Current().ProgramFilePath();
    const char sep = JoinSeparator(program);

    // The program's folder: everything before the last separator, but a drive root keeps its
    // backslash ("C:\"), as does the POSIX root.
    std::string folder;
    std::size_t i = LastSeparator(program);
    if (i != std::string::npos) {
        bool driveRoot =
            (program[i] == '\\' && i > 0 && program[i - 1] == ':') || (program[i] == '/' && i == 0);
        folder = program.substr(0, driveRoot ? i + 1 : i);
    }
    // One level up: everything up to and including the folder's last separator.
    std::size_t j = LastSeparator(folder);
    std::string parent = j == std::string::npos ? std::string() : folder.substr(0, j + 1);
    return parent + "Config" + sep + "Config.INI";
}

std::string GetLogFilePath() {
    const std::string program = os::Current().ProgramFilePath();
    std::size_t i = LastSeparator(program);
    std::size_t nameStart = i == std::string::npos ? 0 : i + 1;
    return program.substr(0, nameStart) + "Log" + JoinSeparator(program) +
           program.substr(nameStart) + ".log";
}

// --- Window messaging and the single-instance guard --------------------------------------------

bool SendStringMessageToWindow(os::WindowHandle Window, const std::string& Text,
                               std::uint32_t Param) {
    const std::uint32_t size = static_cast<std::uint32_t>(Text.size() + 1);
    std::unique_ptr<char[]> buffer(new char[size]);
    std::memcpy(buffer.get(), Text.data(), Text.size());
    buffer[Text.size()] = '\0';
    // The receiver's answer, and a Window that no longer exists, are ignored on purpose.
    os::Current().SendCopyData(Window, Param, buffer.get(), size);
    buffer.reset();

    SendDebugAgentMsg(
        kUnitName, kTraceLevel,
        "SendStringMessageToWindow: Send Message \r\n74 To Window: " + std::to_string(Window) +
            " \r\ndwPara: " + std::to_string(Param) + "\r\nMessage: " + Text);
    return true;
}

bool IsAnotherInstanceRunning(TApplicationBase& Application) {
    os::Os& system = os::Current();
    // The mutex closes the gap between two copies started at the same moment, which the window
    // search alone leaves open.
    const os::MutexClaim claim = system.ClaimNamedMutex(kSingleInstanceMutexName);
    if (claim == os::MutexClaim::AlreadyExists) {
        Application.Terminate();
        return true;
    }

    // Take the program's own hidden window out of the search while it runs.
    const std::string title = Application.GetTitle();
    Application.SetTitle("OnlyOne" + std::to_string(Application.GetInstanceHandle()));
    os::WindowHandle found = system.FindTopLevelWindow(nullptr, title.c_str());
    // Holding the mutex, this is the only copy past the mutex; a window with the title may still
    // belong to a copy started at the same moment that is giving way right now. Only a window
    // that stays counts then.
    for (unsigned waited = 0;
         found && claim == os::MutexClaim::Claimed && waited < kGivingWayGraceMs;
         waited += kGivingWayPollMs) {
        system.SleepMs(kGivingWayPollMs);
        found = system.FindTopLevelWindow(nullptr, title.c_str());
    }
    Application.SetTitle(title);
    if (!found) {
        // Tells the service, in another session, that a desktop program runs. Another session's
        // desktop program may hold it already; the claim then still keeps it alive.
        system.ClaimNamedMutex(kDesktopRunningMutexName);
        return false;
    }

    if (claim == os::MutexClaim::Claimed) system.ReleaseNamedMutex(kSingleInstanceMutexName);
    Application.Terminate();
    return true;
}

// --- Message boxes -----------------------------------------------------------------------------

void ShowMsgBox(TMsgBoxKind Kind, const std::string& Text) {
    struct KindStyle {
        const char* caption;
        unsigned icon;
    };
    static const KindStyle kStyles[] = {
        {"Information", os::kMbIconInformation},
        {"Exclamation", os::kMbIconExclamation},
        {"Warning", os::kMbIconExclamation},
        {"Information", os::kMbIconInformation},
        {"Question", os::kMbIconQuestion},
        {"Stop", os::kMbIconStop},
        {"Error", os::kMbIconStop},
        {"Stop Now", os::kMbIconStop},
    };
    const int count = static_cast<int>(sizeof kStyles / sizeof kStyles[0]);
    const KindStyle& style = Kind >= 0 && Kind < count ? kStyles[Kind] : kStyles[0];
    os::Os& system = os::Current();
    system.ShowMessageBox(system.ApplicationWindow(), Text, style.caption,
                          os::kMbOk | style.icon | os::kMbTopMost | os::kMbSystemModal);
}

// --- Window position and run at log-on -----------------------------------------------------------

std::string GetFormPositionKey(const std::string& Caption) {
    return "Software\\Travenic\\Vesperon\\2.0\\Vesperon\\" + Caption + "\\Position";
}

void SaveFormPosition(TFormBase& Form) {
    os::Os& system = os::Current();
    const std::string key = GetFormPositionKey(Form.GetCaption());
    // A key that can't be opened is ignored on purpose: the position is simply not kept.
    if (!system.RegOpenOrCreateKey(os::RegRoot::CurrentUser, key)) return;

    const TFormBounds bounds = Form.GetBounds();
    const std::pair<const char*, int> values[] = {{"Height", bounds.Height},
                                                  {"Left", bounds.Left},
                                                  {"Top", bounds.Top},
                                                  {"Width", bounds.Width}};
    for (const auto& value : values) {
        if (!system.RegWriteDword(os::RegRoot::CurrentUser, key, value.first,
                                  static_cast<std::uint32_t>(value.second))) {
            SendDebugAgentMsg(kUnitName, kTraceLevel,
                              "Failed to write Registry about FormPosition.");
            return;
        }
    }
}

bool LoadFormPosition(TFormBase& Form) {
    os::Os& system = os::Current();
    const std::string key = GetFormPositionKey(Form.GetCaption());
    if (!system.RegKeyExists(os::RegRoot::CurrentUser, key)) {
        Form.CentreOnScreen();
        return false;
    }

    using Setter = void (TFormBase::*)(int);
    const std::pair<const char*, Setter> values[] = {{"Height", &TFormBase::SetHeight},
                                                     {"Left", &TFormBase::SetLeft},
                                                     {"Top", &TFormBase::SetTop},
                                                     {"Width", &TFormBase::SetWidth}};
    for (const auto& value : values) {
        std::uint32_t raw = 0;
        if (!system.RegReadDword(os::RegRoot::CurrentUser, key, value.first, raw)) {
            SendDebugAgentMsg(kUnitName, kTraceLevel,
                              "Failed to get FormPosition information from Registry.");
            return false;
        }
        (Form.*value.second)(static_cast<std::int32_t>(raw));
    }
    return true;
}

void RegisterAutoRun(const std::string& Name, const std::string& ExePath) {
    std::string quoted = "\"";
    for (char c : ExePath) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    os::Os& system = os::Current();
    if (system.RegWriteString(os::RegRoot::LocalMachine, kAutoRunKey, Name, quoted)) return;
    // Failing for the current user too is ignored on purpose: the program then just does not
    // start at log-on.
    system.RegWriteString(os::RegRoot::CurrentUser, kAutoRunKey, Name, quoted);
}

// --- Day names -----------------------------------------------------------------------------------

std::string MakeLongDateFormatShortDay(const std::string& LongDateFormat) {
    if (LongDateFormat.find("dddd") != std::string::npos) {
        std::string result;
        std::size_t from = 0;
        for (std::size_t at; (at = LongDateFormat.find("dddd", from)) != std::string::npos;
             from = at + 4)
            result += LongDateFormat.substr(from, at - from) + "ddd";
        return result + LongDateFormat.substr(from);
    }
    if (LongDateFormat.find("ddd") == std::string::npos) return LongDateFormat + " ddd";
    return LongDateFormat;
}

std::string GetLongDateFormatShortDay() {
    static const std::string systemLongDateFormat = os::Current().SystemLongDateFormat();
    return MakeLongDateFormatShortDay(systemLongDateFormat);
}

std::string GetDayName(bool Long, TDateTime Date) {
    return FormatDateTime(Long ? "dddd" : "ddd", Date);
}
