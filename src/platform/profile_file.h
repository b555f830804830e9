// INI files on POSIX read and rewritten without blocking on anything that is not a regular
// file, and rewritten in place so that the file keeps its owner, mode and hard links.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qlcos::platform {

// What tells one version of a file from another: identity, size, and the modification and
// status-change times to the nanosecond.
struct FileStamp {
    uint64_t Device = 0, Inode = 0, Size = 0;
    int64_t ModifiedSeconds = 0, ModifiedNanoseconds = 0;
    int64_t ChangedSeconds = 0, ChangedNanoseconds = 0;
    bool operator==(const FileStamp& o) const;
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

enum class FileStatus {
    Ok,
    Missing, // nothing under the name
    Refused, // not a regular file, read-only, too large, or an error
    Changed, // not the file that was read any more (or one appeared): read it again
};

// Files larger than this are refused.
constexpr uint64_t kProfileFileLimit = 256u << 20;

// The stamp of the file under `path`, symbolic links followed. Nothing is opened.
FileStatus StatProfileFile(const std::string& path, FileStamp& stamp);
// The whole file. Refused when it kept changing while it was read.
FileStatus ReadProfileFile(const std::string& path, std::string& bytes, FileStamp& stamp);
// Overwrites the file in place with `bytes` when it is still the version `expected`
// describes, then truncates and syncs it. Refused for a file that has no write permission
// for anyone (as Windows refuses a read-only file) or cannot be opened for writing. When a
// write fails half way, `previous` gives the old bytes, which are put back.
FileStatus RewriteProfileFile(const std::string& path, const FileStamp& expected,
                              std::string_view bytes, const std::function<std::string()>& previous,
                              FileStamp& after);
// Creates the file with `bytes`: written under a temporary name beside it and linked to its
// name, so that it appears whole and never replaces a file that appeared meanwhile
// (Changed). On a file system without hard links it is created and written directly.
FileStatus CreateProfileFile(const std::string& path, std::string_view bytes, FileStamp& after);
// True while a change to the file could leave its stamp as it is: its times are less than
// the coarsest timestamp granularity before now (or in the future).
bool IsRecent(const FileStamp& stamp);

} // namespace qlcos::platform
