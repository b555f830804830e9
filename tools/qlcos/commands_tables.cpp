// qlcos gamma get|put and uniformity get|put: the LCD and LDD controllers' tables to and
// from CSV files, through the panel driver the light-engine device holds.
#include "commands.h"
#include "csv.h"
#include "failure.h"
#include "light_engine_session.h"
#include "output_file.h"
#include "progress_ticker.h"

#include "qlcos/exposure.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qlcos::tool {

namespace {

using Panel = CQPanelControl;

const char kGammaFormat[] =
    "CSV: a header line \"level,table0,table1,table2\" (the tables present), then 256 rows: "
    "the level 0..255 and each table's value 0..4095. Without a header, one value column "
    "is the table --table names (0 unless given) and three are tables 0..2.";
const char kUniformFormat[] =
    "CSV: 33 rows (y 0..32) of 25 comma-separated values 0..255 (x 0..24); a header line "
    "is optional (the cell at x, y is byte y * 25 + x of the table).";

Panel& PanelOf(LightEngineSession& session, const char* what)
{
    Panel* panel = session.DriverAs<Panel>();
    if (!panel)
        throw Failure(ExitCode::Unsupported, std::string(what) + ": not on the " + session.Model());
    return *panel;
}

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

// ---- gamma ---------------------------------------------------------------------------------

struct GammaTables {
    std::vector<int> Numbers;                        // which tables, 0..2
    std::vector<std::vector<unsigned short>> Values; // kGammaValues each
};

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

// The tables a gamma CSV holds, checked whole: 256 rows of the level and 1..3 values. The
// header names the tables; without one, three columns are tables 0..2 and a single one is
// `table` (0 unless given). With `table`, only that table is taken.
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

Json GammaJson(const GammaTables& tables)
{
    Json data{{"tables", Json::object()}};
    for (size_t i = 0; i < tables.Numbers.size(); ++i)
        data["tables"][std::to_string(tables.Numbers[i])] = tables.Values[i];
    return data;
}

std::string TableList(const std::vector<int>& numbers)
{
    std::string text;
    for (size_t i = 0; i < numbers.size(); ++i)
        text += (i ? ", " : "") + std::to_string(numbers[i]);
    return text;
}

// "gamma table 1", "gamma tables 0, 1, 2".
std::string GammaTablesText(const std::vector<int>& numbers)
{
    return (numbers.size() == 1 ? "gamma table " : "gamma tables ") + TableList(numbers);
}

struct TableOptions {
    LightEngineOptions Device;
    std::optional<int> Table;
    std::optional<std::string> File; // -o of get, the input of put
};

// A get or put command of a table family: the light-engine options and the file format.
CLI::App* AddTransfer(CLI::App* family, const char* name, const std::string& help,
                      const char* format, TableOptions& options)
{
    CLI::App* command = family->add_subcommand(name, help);
    AddLightEngineOptions(command, options.Device);
    command->footer(std::string(format) + "\n\n" + ExitCodeHelp());
    if (std::string(name) == "get")
        command->add_option("-o,--output", options.File,
                            "the CSV file to write (standard output without it)");
    else
        command->add_option("FILE", options.File, "the CSV file")->required();
    return command;
}

// One table's transfer as step `done` of `progress`; throws when the controller fails it.
void Transfer(Progress& progress, int done, const std::string& note, const char* operation,
              const std::function<ZanResult()>& call)
{
    ZanResult result = 0;
    TickWhile(progress, done, note, [&] { result = call(); });
    Check(result, operation);
}

// What `get` read: the CSV into the output file (then a line saying so), or printed.
void Deliver(const GlobalOptions& global, std::unique_ptr<OutputFile> file, const std::string& csv,
             const Json& data, const Json& written, const std::string& what)
{
    if (!file) {
        Output(global).Result(data, csv);
        return;
    }
    file->Write(csv.data(), csv.size());
    file->Commit();
    Json result{{"file", file->Target()}};
    result.update(written);
    Output(global).Result(result, what + " written to " + file->Target() + "\n");
}

void AddGamma(CLI::App& app, const GlobalOptions& global)
{
    CLI::App* gamma = app.add_subcommand("gamma", "the LCD and LDD controllers' gamma tables");
    gamma->require_subcommand(1);
    gamma->footer(std::string(kGammaFormat) + "\n\n" + ExitCodeHelp());

    auto get = std::make_shared<TableOptions>();
    CLI::App* getCommand = AddTransfer(
        gamma, "get", "read gamma tables 0..2 (all, or --table) into a CSV file, or print them",
        kGammaFormat, *get);
    getCommand->add_option("--table", get->Table, "only this table")->check(CLI::Range(0, 2));
    getCommand->callback([get, &global] {
        std::unique_ptr<OutputFile> file;
        if (get->File) file = std::make_unique<OutputFile>(*get->File); // before any device work
        LightEngineSession session(get->Device, global);
        Panel& panel = PanelOf(session, "gamma tables");
        GammaTables tables;
        tables.Numbers = get->Table ? std::vector<int>{*get->Table} : std::vector<int>{0, 1, 2};
        const int count = static_cast<int>(tables.Numbers.size());
        Progress progress(global, "reading gamma tables", count);
        for (int i = 0; i < count; ++i) {
            std::vector<unsigned short> values(Panel::kGammaValues);
            const auto table = static_cast<unsigned char>(tables.Numbers[i]);
            Transfer(progress, i, "table " + std::to_string(table), "GetGammaData",
                     [&] { return panel.GetGammaData(table, values.data()); });
            tables.Values.push_back(std::move(values));
        }
        progress.Update(count);
        Deliver(global, std::move(file), GammaCsv(tables), GammaJson(tables),
                {{"tables", tables.Numbers}}, GammaTablesText(tables.Numbers));
    });

    auto put = std::make_shared<TableOptions>();
    CLI::App* putCommand = AddTransfer(
        gamma, "put",
        "write the gamma tables of a CSV file (all it holds, or --table) to the controller",
        kGammaFormat, *put);
    putCommand
        ->add_option("--table", put->Table,
                     "only this table (the table of a file with one unnamed column)")
        ->check(CLI::Range(0, 2));
    putCommand->callback([put, &global] {
        const GammaTables tables = ReadGammaCsv(*put->File, put->Table); // whole, before the device
        LightEngineSession session(put->Device, global);
        Panel& panel = PanelOf(session, "gamma tables");
        const int count = static_cast<int>(tables.Numbers.size());
        Progress progress(global, "writing gamma tables", count);
        for (int i = 0; i < count; ++i) {
            const auto table = static_cast<unsigned char>(tables.Numbers[i]);
            Transfer(progress, i, "table " + std::to_string(table), "SetGammaData",
                     [&] { return panel.SetGammaData(table, tables.Values[i].data()); });
        }
        progress.Update(count);
        Output(global).Result({{"file", *put->File}, {"tables", tables.Numbers}},
                              GammaTablesText(tables.Numbers) + " written to the controller\n");
    });
}

// ---- uniformity ----------------------------------------------------------------------------

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

// The cells of a uniformity CSV, row by row (byte y × 25 + x), checked whole.
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

void AddUniformity(CLI::App& app, const GlobalOptions& global)
{
    CLI::App* uniformity =
        app.add_subcommand("uniformity", "the LCD and LDD controllers' uniformity tables");
    uniformity->require_subcommand(1);
    uniformity->footer(std::string(kUniformFormat) + "\n\n" + ExitCodeHelp());

    auto get = std::make_shared<TableOptions>();
    CLI::App* getCommand =
        AddTransfer(uniformity, "get", "read uniformity table 1..3 into a CSV file, or print it",
                    kUniformFormat, *get);
    getCommand->add_option("--table", get->Table, "the table")->required()->check(CLI::Range(1, 3));
    getCommand->callback([get, &global] {
        std::unique_ptr<OutputFile> file;
        if (get->File) file = std::make_unique<OutputFile>(*get->File);
        LightEngineSession session(get->Device, global);
        Panel& panel = PanelOf(session, "uniformity tables");
        const auto table = static_cast<unsigned char>(*get->Table);
        std::vector<unsigned char> cells(Panel::kUniformBytes);
        Progress progress(global, "reading uniformity table " + std::to_string(table), 1);
        Transfer(progress, 0, "", "GetUniformData",
                 [&] { return panel.GetUniformData(table, cells.data()); });
        progress.Update(1);
        Json rows = Json::array();
        for (int y = 0; y < Panel::kUniformRows; ++y)
            rows.push_back(std::vector<int>(cells.begin() + y * Panel::kUniformColumns,
                                            cells.begin() + (y + 1) * Panel::kUniformColumns));
        Deliver(global, std::move(file), UniformCsv(cells), {{"table", table}, {"rows", rows}},
                {{"table", table}}, "uniformity table " + std::to_string(table));
    });

    auto put = std::make_shared<TableOptions>();
    CLI::App* putCommand = AddTransfer(
        uniformity, "put", "write a CSV file to uniformity table 1..3 of the controller",
        kUniformFormat, *put);
    putCommand->add_option("--table", put->Table, "the table")->required()->check(CLI::Range(1, 3));
    putCommand->callback([put, &global] {
        const std::vector<unsigned char> cells = ReadUniformCsv(*put->File);
        LightEngineSession session(put->Device, global);
        Panel& panel = PanelOf(session, "uniformity tables");
        const auto table = static_cast<unsigned char>(*put->Table);
        Progress progress(global, "writing uniformity table " + std::to_string(table), 1);
        Transfer(progress, 0, "", "SetUniformData",
                 [&] { return panel.SetUniformData(table, cells.data()); });
        progress.Update(1);
        Output(global).Result({{"file", *put->File}, {"table", table}},
                              "uniformity table " + std::to_string(table) +
                                  " written to the controller\n");
    });
}

} // namespace

void AddTableCommands(CLI::App& app, const GlobalOptions& global)
{
    AddGamma(app, global);
    AddUniformity(app, global);
}

} // namespace qlcos::tool
