// Tests that own the settings keys: each starts and ends with neither key present.
#pragma once

#include "screensaver/shared.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

extern const char* const kSettingsPath;

void DeleteSettingsKeys();

struct RegistryValue {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
};
RegistryValue QueryValue(HKEY root, const char* name);
std::vector<std::string> ValueNames(HKEY root);

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteSettingsKeys(); }
    void TearDown() override { DeleteSettingsKeys(); }
};
