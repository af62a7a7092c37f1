// Scratch files for tests, under the platform's temporary folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh path in the temporary folder; name makes it recognisable.
std::string TempPath(const std::string& name);
// Writes bytes to a fresh temporary file and returns its path.
std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes);
std::string ReadTextFile(const std::string& path);
