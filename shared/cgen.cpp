#include "cgen.h"

#include "DiagnosticOutput.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

static const char* const kSourceName = "cgen";
// The longest warning, its terminating zero included; a longer one is cut.
static const size_t kWarningSize = 1024;
static std::atomic<bool> warningsToDebugger{false};
// Reports come from the window's thread and the picture thread: one at a time reaches the
// output (and creates the console), so that each arrives whole.
static std::mutex outputLock;

static void WriteToConsole(const char* text)
{
    std::lock_guard<std::mutex> held(outputLock);
    WriteDiagnosticText(text, strlen(text));
}

static void WriteToDebugger(const char* text)
{
    std::lock_guard<std::mutex> held(outputLock);
    WriteDebuggerText(text);
}

[[noreturn]] static void OutOfMemory(const char* message)
{
    WriteToConsole(message);
    exit(-1);
}

void FatalError(const char* file, int line, const char* text)
{
    size_t size = strlen(file) + strlen(text) + 18;
    char* formatted = static_cast<char*>(RMalloc(kSourceName, __LINE__, size));
    snprintf(formatted, size, "%s:%d %s", file, line, text);
    ShowFatalErrorBox(formatted);
    RFree(kSourceName, __LINE__, formatted);
    exit(-1);
}

void Warning(const char* file, int line, const char* text)
{
    char message[kWarningSize];
    // snprintf truncates a text longer than the buffer.
    snprintf(message, sizeof message, "Warning at %s:%d\n%s\n", file, line, text);
    if (warningsToDebugger) {
        WriteToDebugger(message);
    } else {
        WriteToConsole(message);
    }
}

void SendWarningsToDebugger()
{
    warningsToDebugger = true;
}

void FatalError(const FixedReport& report)
{
    FatalError(report.source, report.line, report.text);
}

void Warning(const FixedReport& report)
{
    Warning(report.source, report.line, report.text);
}

void* RMalloc(const char*, int, size_t size)
{
    void* block = malloc(size != 0 ? size : 1);
    if (block == nullptr) {
        OutOfMemory("RMalloc:: Out of memory\n");
    }
    return block;
}

void* RRealloc(const char* file, int line, void* block, size_t size)
{
    if (block == nullptr) {
        return RMalloc(file, line, size);
    }
    if (size == 0) {
        // Resizing to nothing releases the block and yields none.
        free(block);
        OutOfMemory("RRealloc:: Out of memory\n");
    }
    void* resized = realloc(block, size);
    if (resized == nullptr) {
        OutOfMemory("RRealloc:: Out of memory\n");
    }
    return resized;
}

void RFree(const char*, int, void* block)
{
    free(block);
}

void RNew(const void* object, const char*, int)
{
    if (object == nullptr) {
        OutOfMemory("RNew: Out of memory\n");
    }
}

static const int32_t kArrayStep = 16;

cArray::cArray() : used(0), removed(0), capacity(kArrayStep)
{
    items = static_cast<void**>(malloc(kArrayStep * sizeof(void*)));
    if (items == nullptr) {
        OutOfMemory("cArray::cArray - Out of memory\n");
    }
}

cArray::~cArray()
{
    free(items);
}

int cArray::Add(void* item)
{
    if (capacity == used) {
        capacity += kArrayStep;
        void** grown = static_cast<void**>(realloc(items, capacity * sizeof(void*)));
        if (grown == nullptr) {
            OutOfMemory("cArray::Add - Out of memory\n");
        }
        items = grown;
    }
    items[used] = item;
    return used++;
}

void cArray::Sort(cArrayCompare compare)
{
    void** sorted = static_cast<void**>(malloc(capacity * sizeof(void*)));
    if (sorted == nullptr) {
        OutOfMemory("cArray::Sort - Out of memory\n");
    }
    int32_t placed = 0;
    for (int32_t i = 0; i < used; ++i) {
        void* incoming = items[i];
        if (incoming == nullptr) {
            continue;
        }
        int32_t position = placed;
        while (position > 0 && compare(sorted[position - 1], incoming) > 0) {
            --position;
        }
        memmove(&sorted[position + 1], &sorted[position], (placed - position) * sizeof(void*));
        sorted[position] = incoming;
        ++placed;
    }
    while (placed < used) {
        sorted[placed++] = nullptr;
    }
    free(items);
    items = sorted;
}

cArrayIter* cArray::NewIterator()
{
    cArrayIter* iterator = new (std::nothrow) cArrayIter(this);
    RNew(iterator, kSourceName, __LINE__);
    return iterator;
}

void* cArrayIter::Next()
{
    int32_t slots = array->Count() + array->Removed();
    while (next < slots) {
        void* item = array->Get(next++);
        if (item != nullptr) {
            return item;
        }
    }
    return nullptr;
}
