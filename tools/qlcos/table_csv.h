// The LCD and LDD controllers' gamma and uniformity tables as CSV files: the format the
// table transfers write and read and the plots read.
#pragma once

#include "csv.h"

#include <optional>
#include <string>
#include <vector>

namespace qlcos::tool {

// The formats, for --help.
extern const char kGammaFormat[];
extern const char kUniformFormat[];

struct GammaTables {
    std::vector<int> Numbers;                        // which tables, 0..2
    std::vector<std::vector<unsigned short>> Values; // 256 values 0..0xFFF each
};

std::string GammaCsv(const GammaTables& tables);
// The tables a gamma CSV holds, checked whole: 256 rows of the level and 1..3 values. The
// header names the tables; without one, three columns are tables 0..2 and a single one is
// `table` (0 unless given). With `table`, only that table is taken. Throws Failure(File).
GammaTables ReadGammaCsv(const std::string& path, std::optional<int> table);

// 825 cells, byte y × 25 + x, as 33 rows of 25 values under a header x0..x24.
std::string UniformCsv(const std::vector<unsigned char>& cells);
// The cells of a uniformity CSV, row by row, checked whole. Throws Failure(File).
std::vector<unsigned char> ReadUniformCsv(const std::string& path);

} // namespace qlcos::tool
