// Opening documents, programs, folders and addresses through the shell, with failures explained.
#include "common/ShellUnit.h"

namespace {

// The shell's documented failure codes that have an explanation; every other code shows nothing.
const char* ShellErrorText(int Code) {
    switch (Code) {
        case 0:
            return "The operating system is out of memory or resources.";
        case 2:
            return "The specified file was not found.";
        case 3:
            return "The specified path was not found.";
        case 5:
            return "The operating system denied access to the specified file.";
        case 8:
            return "There was not enough memory to complete the operation.";
        case 11:
            return "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).";
        case 26:
            return "A sharing violation occurred.";
        case 27:
            return "The filename association is incomplete or invalid.";
        case 28:
            return "The DDE transaction could not be completed because the request timed out.";
        case 29:
            return "The DDE transaction failed.";
        case 30:
            return "The DDE transaction could not be completed because other DDE transactions "
                   "were being processed.";
        case 31:
            return "There is no application associated with the given filename extension.";
        case 32:
            return "The specified dynamic-link library was not found.";
        default:
            return nullptr;
    }
}

}  // namespace

void ShellExecuteFile(os::WindowHandle Window, const char* Operation, const char* FileName,
                      const char* Parameters, const char* Directory, int ShowCmd) {
    int code = os::Current().ShellOpen(Window, Operation, FileName, Parameters, Directory, ShowCmd);
    ShowShellExecuteError(code, FileName ? FileName : "");
}

void ShowShellExecuteError(int Code, const std::string& FileName) {
    const char* text = ShellErrorText(Code);
    if (!text) return;
    const std::string crlf = "\r\n";
    const std::string message =
        text + crlf + crlf + crlf + "To success executing this application: " + crlf +
        "1, please make sure that " + FileName + crlf + "   is not corrupted or deleted, or " +
        crlf + "2, you have installed this application or component properly, or " + crlf +
        "3, the file has been associated with the right application, or " + crlf +
        "4, your computer is not locked." + crlf + crlf +
        "Please take corrective actions and try again.";
    os::Os& system = os::Current();
    system.ShowMessageBox(system.ApplicationWindow(), message, "Error",
                          os::kMbOk | os::kMbIconStop | os::kMbTopMost);
}
