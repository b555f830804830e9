#include "output_file.h"

#include "failure.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace qlcos::tool {

namespace {

[[noreturn]] void FileFailure(const std::string& path, const char* what, int error)
{
    throw Failure(ExitCode::File, path + ": " + what + ": " + std::strerror(error));
}

} // namespace

OutputFile::OutputFile(std::string target) : m_Target(std::move(target))
{
    if (m_Target.empty()) throw Failure(ExitCode::Usage, "no output file given");
    struct stat status {};
    if (stat(m_Target.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        throw Failure(ExitCode::File, m_Target + ": is a directory");
    std::string pattern = m_Target + ".tmp-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) FileFailure(m_Target, "cannot write", errno);
    // mkstemp makes the file readable by its owner only; give it the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    m_Temporary = pattern;
}

OutputFile::~OutputFile()
{
    if (!m_Committed && !m_Temporary.empty()) std::remove(m_Temporary.c_str());
}

void OutputFile::Write(const void* bytes, size_t size) const
{
    std::FILE* file = std::fopen(m_Temporary.c_str(), "wb");
    if (!file) FileFailure(m_Target, "cannot write", errno);
    const bool written = std::fwrite(bytes, 1, size, file) == size;
    const int error = errno;
    if (std::fclose(file) != 0 || !written)
        FileFailure(m_Target, "cannot write", error ? error : EIO);
}

void OutputFile::Commit()
{
    if (std::rename(m_Temporary.c_str(), m_Target.c_str()) != 0)
        FileFailure(m_Target, "cannot write", errno);
    m_Committed = true;
}

std::string ReadWholeFile(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) FileFailure(path, "cannot read", errno);
    if (S_ISDIR(status.st_mode)) throw Failure(ExitCode::File, path + ": is a directory");
    std::ifstream in(path, std::ios::binary);
    if (!in) FileFailure(path, "cannot read", errno);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) FileFailure(path, "cannot read", errno ? errno : EIO);
    return bytes.str();
}

std::string Extension(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

} // namespace qlcos::tool
