#include "DiagnosticOutput.h"

#include <cstdio>

void WriteDiagnosticText(const char* text, size_t length)
{
    fwrite(text, 1, length, stderr);
    fflush(stderr);
}

void ShowFatalErrorBox(const char* text)
{
    fprintf(stderr, "Fatal Error: %s\n", text);
    fflush(stderr);
}
