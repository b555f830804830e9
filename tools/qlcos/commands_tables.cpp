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

struct TableOptions {
    LightEngineOptions Device;
    std::optional<int> Table;
    std::optional<std::string> File; // -o of get, the input of put
};

void AddGamma(CLI::App& app, const GlobalOptions& global)
{
    CLI::App* gamma = app.add_subcommand("gamma", "the LCD and LDD controllers' gamma tables");
    gamma->require_subcommand(1);
    gamma->footer(std::string(kGammaFormat) + "\n\n" + ExitCodeHelp());

    auto get = std::make_shared<TableOptions>();
    CLI::App* getCommand = gamma->add_subcommand(
        "get", "read gamma tables 0..2 (all, or --table) into a CSV file, or print them");
    AddLightEngineOptions(getCommand, get->Device);
    getCommand->add_option("--table", get->Table, "only this table")->check(CLI::Range(0, 2));
    getCommand->add_option("-o,--output", get->File,
                           "the CSV file to write (standard output without it)");
    getCommand->footer(std::string(kGammaFormat) + "\n\n" + ExitCodeHelp());
    getCommand->callback([get, &global] {
        std::unique_ptr<OutputFile> file;
        if (get->File) file = std::make_unique<OutputFile>(*get->File); // before any device work
        LightEngineSession session(get->Device, global);
        Panel& panel = PanelOf(session, "gamma tables");
        GammaTables tables;
        if (get->Table)
            tables.Numbers = {*get->Table};
        else
            tables.Numbers = {0, 1, 2};
        Progress progress(global, "reading gamma tables", static_cast<int>(tables.Numbers.size()));
        for (size_t i = 0; i < tables.Numbers.size(); ++i) {
            std::vector<unsigned short> values(Panel::kGammaValues);
            ZanResult result = 0;
            TickWhile(progress, static_cast<int>(i), "table " + std::to_string(tables.Numbers[i]),
                      [&] {
                          result = panel.GetGammaData(static_cast<unsigned char>(tables.Numbers[i]),
                                                      values.data());
                      });
            Check(result, "GetGammaData");
            tables.Values.push_back(std::move(values));
        }
        progress.Update(static_cast<int>(tables.Numbers.size()));
        const std::string csv = GammaCsv(tables);
        if (!file) {
            Output(global).Result(GammaJson(tables), csv);
            return;
        }
        file->Write(csv.data(), csv.size());
        file->Commit();
        Output(global).Result({{"file", *get->File}, {"tables", tables.Numbers}},
                              "gamma tables " + TableList(tables.Numbers) + " written to " +
                                  *get->File + "\n");
    });

    auto put = std::make_shared<TableOptions>();
    CLI::App* putCommand = gamma->add_subcommand(
        "put", "write the gamma tables of a CSV file (all it holds, or --table) to the controller");
    AddLightEngineOptions(putCommand, put->Device);
    putCommand->add_option("FILE", put->File, "the CSV file")->required();
    putCommand
        ->add_option("--table", put->Table,
                     "only this table (the table of a file with one unnamed column)")
        ->check(CLI::Range(0, 2));
    putCommand->footer(std::string(kGammaFormat) + "\n\n" + ExitCodeHelp());
    putCommand->callback([put, &global] {
        const GammaTables tables = ReadGammaCsv(*put->File, put->Table); // whole, before the device
        LightEngineSession session(put->Device, global);
        Panel& panel = PanelOf(session, "gamma tables");
        Progress progress(global, "writing gamma tables", static_cast<int>(tables.Numbers.size()));
        for (size_t i = 0; i < tables.Numbers.size(); ++i) {
            ZanResult result = 0;
            TickWhile(progress, static_cast<int>(i), "table " + std::to_string(tables.Numbers[i]),
                      [&] {
                          result = panel.SetGammaData(static_cast<unsigned char>(tables.Numbers[i]),
                                                      tables.Values[i].data());
                      });
            Check(result, "SetGammaData");
        }
        progress.Update(static_cast<int>(tables.Numbers.size()));
        Output(global).Result({{"file", *put->File}, {"tables", tables.Numbers}},
                              "gamma tables " + TableList(tables.Numbers) +
                                  " written to the controller\n");
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
    CLI::App* getCommand = uniformity->add_subcommand(
        "get", "read uniformity table 1..3 into a CSV file, or print it");
    AddLightEngineOptions(getCommand, get->Device);
    getCommand->add_option("--table", get->Table, "the table")->required()->check(CLI::Range(1, 3));
    getCommand->add_option("-o,--output", get->File,
                           "the CSV file to write (standard output without it)");
    getCommand->footer(std::string(kUniformFormat) + "\n\n" + ExitCodeHelp());
    getCommand->callback([get, &global] {
        std::unique_ptr<OutputFile> file;
        if (get->File) file = std::make_unique<OutputFile>(*get->File);
        LightEngineSession session(get->Device, global);
        Panel& panel = PanelOf(session, "uniformity tables");
        std::vector<unsigned char> cells(Panel::kUniformBytes);
        Progress progress(global, "reading uniformity table " + std::to_string(*get->Table), 1);
        ZanResult result = 0;
        TickWhile(progress, 0, "", [&] {
            result = panel.GetUniformData(static_cast<unsigned char>(*get->Table), cells.data());
        });
        Check(result, "GetUniformData");
        progress.Update(1);
        const std::string csv = UniformCsv(cells);
        if (!file) {
            Json rows = Json::array();
            for (int y = 0; y < Panel::kUniformRows; ++y)
                rows.push_back(std::vector<int>(cells.begin() + y * Panel::kUniformColumns,
                                                cells.begin() + (y + 1) * Panel::kUniformColumns));
            Output(global).Result({{"table", *get->Table}, {"rows", rows}}, csv);
            return;
        }
        file->Write(csv.data(), csv.size());
        file->Commit();
        Output(global).Result({{"file", *get->File}, {"table", *get->Table}},
                              "uniformity table " + std::to_string(*get->Table) + " written to " +
                                  *get->File + "\n");
    });

    auto put = std::make_shared<TableOptions>();
    CLI::App* putCommand = uniformity->add_subcommand(
        "put", "write a CSV file to uniformity table 1..3 of the controller");
    AddLightEngineOptions(putCommand, put->Device);
    putCommand->add_option("FILE", put->File, "the CSV file")->required();
    putCommand->add_option("--table", put->Table, "the table")->required()->check(CLI::Range(1, 3));
    putCommand->footer(std::string(kUniformFormat) + "\n\n" + ExitCodeHelp());
    putCommand->callback([put, &global] {
        const std::vector<unsigned char> cells = ReadUniformCsv(*put->File);
        LightEngineSession session(put->Device, global);
        Panel& panel = PanelOf(session, "uniformity tables");
        Progress progress(global, "writing uniformity table " + std::to_string(*put->Table), 1);
        ZanResult result = 0;
        TickWhile(progress, 0, "", [&] {
            result = panel.SetUniformData(static_cast<unsigned char>(*put->Table), cells.data());
        });
        Check(result, "SetUniformData");
        progress.Update(1);
        Output(global).Result({{"file", *put->File}, {"table", *put->Table}},
                              "uniformity table " + std::to_string(*put->Table) +
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
