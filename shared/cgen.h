// Support library: diagnostics, checked memory and a growable pointer array.
#pragma once

#include <cstddef>
#include <cstdint>

// Shows a "Fatal Error" box with "file:line text", then exits with -1.
[[noreturn]] void FatalError(const char* file, int line, const char* text);
// Writes "Warning at file:line\ntext\n" to the diagnostic console, or to the debugger
// once SendWarningsToDebugger was called. Any thread may warn: each report arrives whole.
void Warning(const char* file, int line, const char* text);
// From now on warnings go to the debugger output: a console window would take the
// foreground from a full-screen saver, which then closes.
void SendWarningsToDebugger();

// A report whose source and line the user sees as they stand, whatever line raises it.
struct FixedReport {
    const char* source;
    int line;
    const char* text;
};
[[noreturn]] void FatalError(const FixedReport& report);
void Warning(const FixedReport& report);

// Checked memory: never returns null; out of memory ends the process with -1.
void* RMalloc(const char* file, int line, size_t size);
void* RRealloc(const char* file, int line, void* block, size_t size);
void RFree(const char* file, int line, void* block);
// Called with the result of every nothrow `new`.
void RNew(const void* object, const char* file, int line);

// Positive when `placed` must come after `incoming`.
typedef int (*cArrayCompare)(const void* placed, const void* incoming);

class cArrayIter;

class cArray {
public:
    cArray();
    ~cArray();
    cArray(const cArray&) = delete;
    cArray& operator=(const cArray&) = delete;

    int Add(void* item);
    int Count() const { return used - removed; }
    int Removed() const { return removed; }
    void* Get(int index) const { return items[index]; }
    // Stable insertion sort; null items are kept after all others.
    void Sort(cArrayCompare compare);
    cArrayIter* NewIterator();

private:
    int32_t used;
    int32_t removed;
    int32_t capacity;
    void** items;
};

// Walks the non-null items of an array in slot order.
class cArrayIter {
public:
    explicit cArrayIter(cArray* walked) : array(walked), next(0) {}
    // The next non-null item, or null when none is left.
    void* Next();
    bool More() const { return next < array->Count(); }

private:
    cArray* array;
    int32_t next;
};
