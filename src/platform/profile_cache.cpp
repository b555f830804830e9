// A small least-recently-used cache of parsed INI files, and the content hash it compares.
#include "platform/profile_cache.h"

#include <cstring>

namespace qlcos::platform {

uint64_t ContentHash(std::string_view bytes)
{
    const uint64_t k = 0x9E3779B97F4A7C15ull;
    uint64_t h = k ^ bytes.size();
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        h = (h ^ word) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    for (; i < bytes.size(); ++i) h = (h ^ static_cast<unsigned char>(bytes[i])) * k;
    return h ^ (h >> 29);
}

bool ProfileCache::Find(const std::string& path, Entry& entry)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    for (auto it = m_Entries.begin(); it != m_Entries.end(); ++it) {
        if (it->first != path) continue;
        m_Entries.splice(m_Entries.begin(), m_Entries, it);
        entry = it->second;
        return true;
    }
    return false;
}

void ProfileCache::Store(const std::string& path, Entry entry)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Entries.remove_if([&](const auto& e) { return e.first == path; });
    m_Entries.emplace_front(path, std::move(entry));
    size_t bytes = 0, files = 0;
    for (auto it = m_Entries.begin(); it != m_Entries.end();) {
        const size_t size = it->second.Document->Footprint();
        if (files > 0 && (files >= m_MaxFiles || bytes + size > m_MaxBytes)) {
            it = m_Entries.erase(it);
            continue;
        }
        bytes += size;
        ++files;
        ++it;
    }
}

void ProfileCache::Forget(const std::string& path)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Entries.remove_if([&](const auto& e) { return e.first == path; });
}

} // namespace qlcos::platform
