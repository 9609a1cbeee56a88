#pragma once
// Opening documents, programs, folders and addresses through the shell, with failures explained.

#include <string>

#include "platform/Os.h"

// Calls the shell's execute function and explains a failure in a message box.
void ShellExecuteFile(os::WindowHandle Window, const char* Operation, const char* FileName,
                      const char* Parameters, const char* Directory, int ShowCmd);
// Shows the explanation of a shell error code; codes without a text show nothing.
void ShowShellExecuteError(int Code, const std::string& FileName);
