// Test support for the configuration suites: a temporary folder that is removed again, with
// its files read and written whole.
#pragma once

#include "platform/text_utf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace qlcos::test {

// A fresh folder in the temporary folder ($TMPDIR or /tmp, %TEMP% on Windows), removed with
// its files when the object goes.
class TempFolder {
public:
    TempFolder()
    {
        std::random_device seed;
        std::mt19937_64 random(seed());
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && m_Path.empty(); ++attempt) {
            const std::filesystem::path candidate =
                base / ("qlcos-config-" + std::to_string(random() % 1000000000));
            std::error_code error;
            // create_directory is false for a folder that exists already: another try.
            if (std::filesystem::create_directory(candidate, error))
                m_Path = candidate.generic_string();
        }
        EXPECT_FALSE(m_Path.empty()) << "no temporary folder could be made in " << base;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!m_Path.empty()) std::filesystem::remove_all(m_Path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string File(const std::string& name) const { return m_Path + "/" + name; }
    std::string Read(const std::string& name) const
    {
        return {std::istreambuf_iterator<char>(std::ifstream(File(name), std::ios::binary).rdbuf()),
                {}};
    }
    void Write(const std::string& name, const std::string& text) const
    {
        std::ofstream(File(name), std::ios::binary | std::ios::trunc) << text;
    }
    // The path of `name` as the wide text the library takes.
    ZanString WideFile(const std::string& name) const
    {
        return qlcos::unicode::FromUtf8(File(name));
    }

private:
    std::string m_Path;
};

inline std::string Utf8(const ZanWChar* text) { return qlcos::unicode::ToUtf8(text); }

} // namespace qlcos::test
