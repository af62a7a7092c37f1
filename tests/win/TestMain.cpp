#include "Harness.h"

#include <gtest/gtest.h>

#include <objbase.h>

int main(int argc, char** argv)
{
    int exitCode = 0;
    if (RunChildScenarioIfAsked(argc, argv, &exitCode)) {
        return exitCode;
    }
    // The decoder reaches the system's imaging component through COM, as on the saver's worker.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return result;
}
