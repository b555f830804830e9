// Numeric tables as comma-separated text: what the table transfers and plots read and write.
#pragma once

#include <string>
#include <vector>

namespace qlcos::tool {

struct CsvTable {
    std::vector<std::string> Header;       // the first line when it is not all numbers
    std::vector<std::vector<double>> Rows; // every other non-empty line
};

// Reads `path`. Fields are separated by commas (spaces around them ignored); a first line
// that is not all numbers is the header; empty lines and lines starting with '#' are
// skipped. Throws Failure(File) naming the file, the line and the field that is not a
// number.
CsvTable ReadCsv(const std::string& path);

// Rows of `table` as text; numbers without trailing zeros, never in the user's locale.
std::string CsvText(const CsvTable& table);

// Throws Failure(File) naming `path` unless `table` has `rows` rows of `columns` fields each.
void RequireShape(const CsvTable& table, const std::string& path, size_t rows, size_t columns);

} // namespace qlcos::tool
