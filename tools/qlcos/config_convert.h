// Converting the records of a configuration file into another form.
#pragma once

#include "config_records.h"

#include <string>
#include <vector>

namespace qlcos::tool {

struct Conversion {
    ConfigForm Form = ConfigForm::Blob; // of the output
    std::vector<std::string> Records;   // converted, by element name
    std::vector<std::string> Notes;     // the records left out, and why
};

// Writes the records of `input` (only those of kind `only` when not null) that have the
// output's form to `output`, whole or not at all: XML for ".xml", INI for ".ini", else a
// blob. Throws Failure(File) when no record can be converted and Failure(Usage) when a blob
// would have to hold several records; `output` is then left as it was.
Conversion ConvertConfig(const std::string& input, const std::string& output,
                         const RecordKind* only);

} // namespace qlcos::tool
