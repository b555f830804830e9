#include "csv.h"

#include "failure.h"
#include "output.h"
#include "output_file.h"

#include <charconv>
#include <sstream>

namespace qlcos::tool {

namespace {

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, ',')) fields.push_back(Trimmed(field));
    if (!line.empty() && line.back() == ',') fields.push_back("");
    return fields;
}

bool ParseNumber(const std::string& text, double& value)
{
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+') ++begin;
    const auto parsed = std::from_chars(begin, end, value);
    return parsed.ec == std::errc() && parsed.ptr == end && begin != end;
}

} // namespace

CsvTable ReadCsv(const std::string& path)
{
    std::istringstream in(ReadWholeFile(path));
    CsvTable table;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string trimmed = Trimmed(line);
        if (trimmed.empty() || trimmed[0] == '#') continue;
        const std::vector<std::string> fields = Fields(trimmed);
        std::vector<double> row(fields.size());
        for (size_t i = 0; i < fields.size(); ++i) {
            if (ParseNumber(fields[i], row[i])) continue;
            if (table.Header.empty() && table.Rows.empty()) {
                row.clear();
                break;
            }
            throw Failure(ExitCode::File, path + ":" + std::to_string(number) + ": \"" + fields[i] +
                                              "\" is not a number");
        }
        if (row.empty())
            table.Header = fields;
        else
            table.Rows.push_back(std::move(row));
    }
    return table;
}

std::string CsvText(const CsvTable& table)
{
    std::string text;
    auto line = [&](const auto& fields, auto format) {
        for (size_t i = 0; i < fields.size(); ++i) text += (i ? "," : "") + format(fields[i]);
        text += "\n";
    };
    if (!table.Header.empty()) line(table.Header, [](const std::string& s) { return s; });
    for (const std::vector<double>& row : table.Rows)
        line(row, [](double v) { return NumberText(v); });
    return text;
}

void RequireShape(const CsvTable& table, const std::string& path, size_t rows, size_t columns)
{
    if (table.Rows.size() != rows)
        throw Failure(ExitCode::File, path + ": " + std::to_string(table.Rows.size()) +
                                          " rows of numbers, expected " + std::to_string(rows));
    for (size_t r = 0; r < rows; ++r)
        if (table.Rows[r].size() != columns)
            throw Failure(ExitCode::File, path + ": row " + std::to_string(r + 1) + " has " +
                                              std::to_string(table.Rows[r].size()) +
                                              " fields, expected " + std::to_string(columns));
}

} // namespace qlcos::tool
