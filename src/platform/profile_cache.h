// The parsed INI files most recently used, each with the stamp and content hash of the file
// version it was parsed from; bounded in files and bytes, least recently used dropped first.
#pragma once

#include "platform/profile_document.h"
#include "platform/profile_file.h"

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace qlcos::platform {

// A fast hash of a file's bytes, to tell whether a file whose stamp cannot tell (it changed
// within its timestamp granularity) still holds what was parsed.
uint64_t ContentHash(std::string_view bytes);

class ProfileCache {
public:
    struct Entry {
        FileStamp Stamp;
        uint64_t Hash = 0;
        // The file was changed too recently for its stamp to show a further change: its
        // content must be compared before the document is used.
        bool Recent = true;
        std::shared_ptr<const ProfileDocument> Document;
    };

    ProfileCache(size_t maxFiles, size_t maxBytes) : m_MaxFiles(maxFiles), m_MaxBytes(maxBytes) {}

    // The entry for `path`, which becomes the most recently used. Thread-safe.
    bool Find(const std::string& path, Entry& entry);
    // Keeps `entry` for `path`, dropping the least recently used beyond the bounds (the new
    // entry itself stays even when it alone is larger).
    void Store(const std::string& path, Entry entry);
    void Forget(const std::string& path);

private:
    std::mutex m_Mutex;
    std::list<std::pair<std::string, Entry>> m_Entries; // most recently used first
    size_t m_MaxFiles, m_MaxBytes;
};

} // namespace qlcos::platform
