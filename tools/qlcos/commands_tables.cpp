// qlcos gamma get|put and uniformity get|put: the LCD and LDD controllers' tables to and
// from CSV files, through the panel driver the light-engine device holds.
#include "commands.h"
#include "csv.h"
#include "failure.h"
#include "light_engine_session.h"
#include "output_file.h"
#include "panel_tables.h"
#include "table_csv.h"

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

Json GammaJson(const GammaTables& tables)
{
    Json data{{"tables", Json::object()}};
    for (size_t i = 0; i < tables.Numbers.size(); ++i)
        data["tables"][std::to_string(tables.Numbers[i])] = tables.Values[i];
    return data;
}

std::string TableList(const std::vector<int>& numbers)
{
    std::vector<std::string> texts;
    for (int n : numbers) texts.push_back(std::to_string(n));
    return Joined(texts);
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
        const int table = *get->Table;
        const std::vector<unsigned char> cells = ReadUniformTable(session, table, global);
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
