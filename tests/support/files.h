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
#include <vector>

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
        std::ifstream in(std::filesystem::u8path(File(name)), std::ios::binary);
        return {std::istreambuf_iterator<char>(in.rdbuf()), {}};
    }
    void Write(const std::string& name, const std::string& text) const
    {
        std::ofstream(std::filesystem::u8path(File(name)), std::ios::binary | std::ios::trunc)
            << text;
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

// An INI file's lines as UTF-8, without line ends and blank lines; a UTF-16 file (with its
// byte order mark) is decoded first.
inline std::vector<std::string> IniLines(const std::string& bytes)
{
    std::string text = bytes;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        ZanString wide;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            wide += static_cast<ZanWChar>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8);
        text = qlcos::unicode::ToUtf8(wide.c_str());
    }
    std::vector<std::string> lines;
    std::string line;
    for (char c : text + "\n") {
        if (c != '\r' && c != '\n') {
            line += c;
        } else if (!line.empty()) {
            lines.push_back(line);
            line.clear();
        }
    }
    return lines;
}

// The same lines as one text, each ended by a line feed.
inline std::string IniText(const std::string& bytes)
{
    std::string text;
    for (const std::string& line : IniLines(bytes)) text += line + "\n";
    return text;
}

} // namespace qlcos::test

// An INI file the library wrote, against the text expected. POSIX: byte for byte (the
// library's own profile functions keep line ends and put a blank line before a new section).
// Windows: line for line, as the system's functions write CR LF, no blank lines, and UTF-16
// into the files the library creates.
#if defined(_WIN32)
#define EXPECT_INI_TEXT(actual, expected)                                                          \
    EXPECT_EQ(::qlcos::test::IniLines(actual), ::qlcos::test::IniLines(expected))
#else
#define EXPECT_INI_TEXT(actual, expected) EXPECT_EQ(actual, expected)
#endif
