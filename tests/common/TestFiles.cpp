#include "TestFiles.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

std::string TempPath(const std::string& name)
{
    static int counter = 0;
    std::ostringstream unique;
    unique << "vl-" << name << "-" << getpid() << "-" << ++counter;
    std::filesystem::path path = std::filesystem::temp_directory_path() / unique.str();
    std::filesystem::remove(path);
    return path.string();
}

std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes)
{
    std::string path = TempPath(name);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string ReadTextFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
