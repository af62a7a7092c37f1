// Where the support library's reports reach the platform. The support library calls these
// one at a time, from whichever thread reports.
#pragma once

#include <cstddef>

// Writes text to the diagnostic console, creating it on first use.
void WriteDiagnosticText(const char* text, size_t length);
// Writes zero-terminated text to the debugger output.
void WriteDebuggerText(const char* text);
// Shows text in a blocking "Fatal Error" box.
void ShowFatalErrorBox(const char* text);
