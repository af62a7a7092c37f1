// Where the support library's reports reach the platform.
#pragma once

#include <cstddef>

// Writes text to the diagnostic console, creating it on first use.
void WriteDiagnosticText(const char* text, size_t length);
// Shows text in a blocking "Fatal Error" box.
void ShowFatalErrorBox(const char* text);
