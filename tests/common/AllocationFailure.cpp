#include "AllocationFailure.h"

#include <cstddef>

extern "C" void* __real_malloc(size_t size);
extern "C" void* __real_realloc(void* block, size_t size);

static volatile bool failNext = false;

void FailNextAllocation()
{
    failNext = true;
}

static bool TakeFailure()
{
    bool fail = failNext;
    failNext = false;
    return fail;
}

extern "C" void* __wrap_malloc(size_t size)
{
    return TakeFailure() ? nullptr : __real_malloc(size);
}

extern "C" void* __wrap_realloc(void* block, size_t size)
{
    return TakeFailure() ? nullptr : __real_realloc(block, size);
}
