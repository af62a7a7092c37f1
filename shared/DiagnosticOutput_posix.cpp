#include "DiagnosticOutput.h"

#include <cstdio>
#include <cstring>

void WriteDiagnosticText(const char* text, size_t length)
{
    fwrite(text, 1, length, stderr);
    fflush(stderr);
}

// No debugger output here: standard error stands in for it.
void WriteDebuggerText(const char* text)
{
    WriteDiagnosticText(text, strlen(text));
}

void ShowFatalErrorBox(const char* text)
{
    fprintf(stderr, "Fatal Error: %s\n", text);
    fflush(stderr);
}
