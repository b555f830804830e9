// What is wrong with a configuration file: its blob header, the record refusing or
// correcting it, its XML or its INI sections.
#pragma once

#include "config_files.h"

#include <string>
#include <vector>

namespace qlcos::tool {

struct CheckReport {
    ConfigForm Form = ConfigForm::Blob;
    std::vector<std::string> Records;  // the records found, by element name
    std::vector<std::string> Findings; // one line each; none when the file is sound
};

// Throws Failure(File) only when the file cannot be read at all.
CheckReport CheckConfigFile(const std::string& path);

} // namespace qlcos::tool
