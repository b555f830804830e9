#include "table_csv.h"

#include "failure.h"
#include "output.h"

#include "qlcos/exposure.h"

#include <algorithm>
#include <cmath>

namespace qlcos::tool {

namespace {
using Panel = CQPanelControl;
}

const char kGammaFormat[] =
    "CSV: a header line \"level,table0,table1,table2\" (the tables present), then 256 rows: "
    "the level 0..255 and each table's value 0..4095. Without a header, one value column "
    "is the table --table names (0 unless given) and three are tables 0..2.";
const char kUniformFormat[] =
    "CSV: 33 rows (y 0..32) of 25 comma-separated values 0..255 (x 0..24); a header line "
    "is optional (the cell at x, y is byte y * 25 + x of the table).";

namespace {

// Field `column` of row `row` as a whole number in min..max, or Failure(File) naming it.
int WholeNumber(const CsvTable& table, const std::string& path, size_t row, size_t column, int min,
                int max)
{
    const double value = table.Rows[row][column];
    if (std::floor(value) != value || value < min || value > max)
        throw Failure(ExitCode::File, path + ": row " + std::to_string(row + 1) + ", field " +
                                          std::to_string(column + 1) + ": " + NumberText(value) +
                                          " is not a whole number in " + std::to_string(min) +
                                          ".." + std::to_string(max));
    return static_cast<int>(value);
}

} // namespace

std::string GammaCsv(const GammaTables& tables)
{
    CsvTable csv;
    csv.Header.push_back("level");
    for (int n : tables.Numbers) csv.Header.push_back("table" + std::to_string(n));
    for (int level = 0; level < Panel::kGammaValues; ++level) {
        std::vector<double> row{static_cast<double>(level)};
        for (const auto& values : tables.Values) row.push_back(values[level]);
        csv.Rows.push_back(row);
    }
    return CsvText(csv);
}

GammaTables ReadGammaCsv(const std::string& path, std::optional<int> table)
{
    const CsvTable csv = ReadCsv(path);
    const size_t columns = csv.Rows.empty() ? 0 : csv.Rows[0].size();
    if (columns < 2 || columns > 1 + Panel::kGammaTables)
        throw Failure(ExitCode::File, path + ": expected the level and 1 to 3 tables per row");
    RequireShape(csv, path, Panel::kGammaValues, columns);
    std::vector<int> numbers;
    if (!csv.Header.empty()) {
        if (csv.Header.size() != columns)
            throw Failure(ExitCode::File, path + ": the header has " +
                                              std::to_string(csv.Header.size()) +
                                              " fields, the rows " + std::to_string(columns));
        for (size_t c = 1; c < columns; ++c) {
            const std::string& name = csv.Header[c];
            if (name.size() != 6 || name.compare(0, 5, "table") != 0 || name[5] < '0' ||
                name[5] > '2' || std::count(numbers.begin(), numbers.end(), name[5] - '0'))
                throw Failure(ExitCode::File, path + ": column \"" + name +
                                                  "\" is not one of table0, table1, table2");
            numbers.push_back(name[5] - '0');
        }
    } else if (columns == 2) {
        numbers.push_back(table.value_or(0));
    } else if (columns == 1 + Panel::kGammaTables) {
        numbers = {0, 1, 2};
    } else {
        throw Failure(ExitCode::File, path + ": without a header, give one table or all three");
    }
    GammaTables tables;
    for (size_t c = 0; c < numbers.size(); ++c) {
        if (table && numbers[c] != *table) continue;
        std::vector<unsigned short> values(Panel::kGammaValues);
        for (size_t row = 0; row < values.size(); ++row) {
            if (WholeNumber(csv, path, row, 0, 0, Panel::kGammaValues - 1) != static_cast<int>(row))
                throw Failure(ExitCode::File, path + ": row " + std::to_string(row + 1) +
                                                  ": the level must be " + std::to_string(row));
            values[row] = static_cast<unsigned short>(WholeNumber(csv, path, row, c + 1, 0, 0xFFF));
        }
        tables.Numbers.push_back(numbers[c]);
        tables.Values.push_back(std::move(values));
    }
    if (tables.Numbers.empty())
        throw Failure(ExitCode::File, path + ": has no column for table " + std::to_string(*table));
    return tables;
}

std::string UniformCsv(const std::vector<unsigned char>& cells)
{
    CsvTable csv;
    for (int x = 0; x < Panel::kUniformColumns; ++x) csv.Header.push_back("x" + std::to_string(x));
    for (int y = 0; y < Panel::kUniformRows; ++y) {
        std::vector<double> row;
        for (int x = 0; x < Panel::kUniformColumns; ++x)
            row.push_back(cells[y * Panel::kUniformColumns + x]);
        csv.Rows.push_back(row);
    }
    return CsvText(csv);
}

std::vector<unsigned char> ReadUniformCsv(const std::string& path)
{
    const CsvTable csv = ReadCsv(path);
    RequireShape(csv, path, Panel::kUniformRows, Panel::kUniformColumns);
    std::vector<unsigned char> cells;
    for (size_t y = 0; y < Panel::kUniformRows; ++y)
        for (size_t x = 0; x < Panel::kUniformColumns; ++x)
            cells.push_back(static_cast<unsigned char>(WholeNumber(csv, path, y, x, 0, 255)));
    return cells;
}

} // namespace qlcos::tool
