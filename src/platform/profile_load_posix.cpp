// The INI files of this process, each parsed once while it stays unchanged: a file's stamp
// (device, inode, size, times to the nanosecond) tells a change; while the file is too
// recently changed for that, its content hash is compared as well.
#include "platform/profile_load.h"

#include "platform/profile_cache.h"

namespace qlcos::platform {

namespace {

ProfileCache& Cache()
{
    static ProfileCache cache(4, 512u << 20);
    return cache;
}

std::shared_ptr<const ProfileDocument> EmptyDocument()
{
    static const auto empty = std::make_shared<const ProfileDocument>();
    return empty;
}

} // namespace

FileStatus LoadProfile(const std::string& path, LoadedProfile& loaded)
{
    loaded = LoadedProfile{EmptyDocument(), {}, false};
    FileStamp stamp;
    FileStatus status = StatProfileFile(path, stamp);
    if (status != FileStatus::Ok) {
        Cache().Forget(path);
        return status == FileStatus::Missing ? FileStatus::Ok : status;
    }
    ProfileCache::Entry entry;
    const bool cached = Cache().Find(path, entry);
    if (cached && !entry.Recent && entry.Stamp == stamp) {
        loaded = {entry.Document, stamp, true};
        return FileStatus::Ok;
    }
    std::string bytes;
    status = ReadProfileFile(path, bytes, stamp);
    if (status != FileStatus::Ok) {
        Cache().Forget(path);
        return status == FileStatus::Missing ? FileStatus::Ok : status;
    }
    const uint64_t hash = ContentHash(bytes);
    if (cached && entry.Stamp == stamp && entry.Hash == hash) {
        entry.Recent = IsRecent(stamp);
    } else {
        entry = {stamp, hash, IsRecent(stamp),
                 std::make_shared<const ProfileDocument>(DecodeProfile(std::move(bytes)))};
    }
    loaded = {entry.Document, stamp, true};
    Cache().Store(path, std::move(entry));
    return FileStatus::Ok;
}

FileStatus SaveProfile(const std::string& path, const LoadedProfile& loaded, std::string text)
{
    const ProfileDocument& old = *loaded.Document;
    const std::string bytes = EncodeProfile(old.Encoding(), text, old.Tail());
    FileStamp after;
    const FileStatus status =
        loaded.Exists ? RewriteProfileFile(
                            path, loaded.Stamp, bytes, [&] { return old.Encoded(); }, after)
                      : CreateProfileFile(path, bytes, after);
    if (status != FileStatus::Ok) {
        Cache().Forget(path);
        return status;
    }
    ProfileText parsed{old.Encoding(), std::move(text), std::string(old.Tail())};
    Cache().Store(path, {after, ContentHash(bytes), true,
                         std::make_shared<const ProfileDocument>(std::move(parsed))});
    return FileStatus::Ok;
}

} // namespace qlcos::platform
