// An output file that appears whole or not at all: written under a temporary name beside
// the target and renamed over it only when the command succeeds.
#pragma once

#include <string>

namespace qlcos::tool {

class OutputFile {
public:
    // Reserves a temporary name in the target's folder; throws Failure(File) when the folder
    // cannot take a file.
    explicit OutputFile(std::string target);
    // Removes the temporary file unless Commit ran.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Where to write (the temporary name); empty until the constructor succeeded.
    const std::string& Path() const { return m_Temporary; }
    const std::string& Target() const { return m_Target; }
    // Writes `bytes` to the temporary file; throws Failure(File) on an error.
    void Write(const void* bytes, size_t size) const;
    // Renames the temporary file to the target; throws Failure(File) on an error.
    void Commit();

private:
    std::string m_Target;
    std::string m_Temporary;
    bool m_Committed = false;
};

// The whole file as bytes; throws Failure(File) naming the path and the reason.
std::string ReadWholeFile(const std::string& path);

// The file name's extension in lower case, without the dot ("png"); empty when none.
std::string Extension(const std::string& path);

} // namespace qlcos::tool
