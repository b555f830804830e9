// The records a configuration file holds, in whichever form it is written.
#pragma once

#include "config_files.h"
#include "config_records.h"

#include <optional>

namespace qlcos::tool {

// The 12-byte header every blob starts with.
struct BlobHeader {
    uint32_t Identifier;
    uint32_t Size;     // the blob's size as stated, header included
    uint32_t HeadSize; // 12
};
// Null when the bytes are too short for a header.
std::optional<BlobHeader> ReadBlobHeader(const std::string& bytes);
// "0x47464E43 "CNFG"": the identifier with its four bytes as text where they are printable.
std::string IdentifierText(uint32_t identifier);

// The section names of an INI file, in file order.
std::vector<std::string> IniSectionNames(const std::string& bytes);
// The records an INI file with `sections` holds: each kind with a section there that no other
// kind found there carries; with `only`, that kind alone if its sections are there.
std::vector<const RecordKind*> IniRecordKinds(const std::vector<std::string>& sections,
                                              const RecordKind* only);

// The record elements of a document: each record element that no record element around it
// carries, or with `only` every element of that kind.
std::vector<std::pair<const RecordKind*, xercesc::DOMElement*>>
RecordElements(xercesc::DOMElement* root, const RecordKind* only);

struct ConfigContent {
    ConfigForm Form = ConfigForm::Blob;
    std::optional<BlobHeader> Header; // for a blob
    std::vector<std::unique_ptr<Record>> Records;
};

// Every record the file holds (a blob holds one), or only those of kind `only`. Throws
// Failure(File) naming the file and the problem when it holds none or a record refuses it.
ConfigContent LoadConfigFile(const std::string& path, const RecordKind* only = nullptr);

} // namespace qlcos::tool
