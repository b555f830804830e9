// Test support for the configuration suites: a temporary folder that is removed again,
// wide path helpers, and parsing and serialising XML through a real Xerces DOM.
#pragma once

#include "platform/text_utf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace qlcos::test {

// A fresh folder below $TMPDIR (or /tmp), removed with its files when the object goes.
class TempFolder {
public:
    TempFolder()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/qlcos-config-XXXXXX";
        if (::mkdtemp(&pattern[0])) m_Path = pattern;
    }
    ~TempFolder() { Remove(m_Path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return m_Path; }
    std::string File(const std::string& name) const { return m_Path + "/" + name; }
    // The path of `name` as the wide text the library takes.
    ZanString WideFile(const std::string& name) const
    {
        return qlcos::unicode::FromUtf8(File(name));
    }

private:
    static void Remove(const std::string& path)
    {
        if (path.empty()) return;
        if (DIR* dir = ::opendir(path.c_str())) {
            while (dirent* entry = ::readdir(dir)) {
                std::string name = entry->d_name;
                if (name == "." || name == "..") continue;
                std::string child = path + "/" + name;
                struct stat st {};
                if (::lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                    Remove(child);
                else
                    ::unlink(child.c_str());
            }
            ::closedir(dir);
        }
        ::rmdir(path.c_str());
    }
    std::string m_Path;
};

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

inline std::string Utf8(const ZanWChar* text) { return qlcos::unicode::ToUtf8(text); }

} // namespace qlcos::test
