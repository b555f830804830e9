// The fuzzers' temporary files.
#include "fuzz/temp_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace qlcos::fuzz {

namespace {

// Created on first use, removed with everything in it when the process exits normally.
struct TempFolder {
    std::filesystem::path Path;
    TempFolder()
    {
        Path = std::filesystem::temp_directory_path() /
               ("qlcos_fuzz_" + std::to_string(static_cast<long>(getpid())));
        std::filesystem::create_directories(Path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(Path, ignored);
    }
};

} // namespace

std::string TempPath(const std::string& name)
{
    static TempFolder folder;
    return (folder.Path / name).string();
}

std::basic_string<ZanWChar> WidePath(const std::string& path)
{
    return std::basic_string<ZanWChar>(path.begin(), path.end());
}

bool WriteFile(const std::string& path, const void* data, size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace qlcos::fuzz
