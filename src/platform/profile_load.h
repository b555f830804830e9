// Loading an INI file through the cache of parsed files, and storing a new text of it.
#pragma once

#include "platform/profile_document.h"
#include "platform/profile_file.h"

#include <memory>
#include <string>

namespace qlcos::platform {

struct LoadedProfile {
    std::shared_ptr<const ProfileDocument> Document; // empty for a missing file
    FileStamp Stamp;
    bool Exists = false;
};

// The parsed file: from the cache while the file is unchanged, read and parsed otherwise.
// Ok for a missing file (an empty document); Refused for anything but a readable regular
// file (nothing is opened that is not one).
FileStatus LoadProfile(const std::string& path, LoadedProfile& loaded);
// Writes `text` (in the encoding the file was read in) over the version `loaded` holds, or
// creates the file; the cache then holds the new text. Changed when the file is no longer
// the version that was loaded: load it again and redo the change.
FileStatus SaveProfile(const std::string& path, const LoadedProfile& loaded, std::string text);

} // namespace qlcos::platform
