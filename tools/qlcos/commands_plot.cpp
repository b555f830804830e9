// qlcos plot: pictures of a gamma table, a uniformity table and density readings, written as
// PNG, SVG or PDF by the output file's extension.
#include "commands.h"

#include "config_files.h"
#include "csv.h"
#include "failure.h"
#include "gamma_tables.h"
#include "light_engine_session.h"
#include "output_file.h"
#include "panel_tables.h"
#include "plot/gamma_plot.h"
#include "plot/time_series_plot.h"
#include "plot/uniformity_plot.h"
#include "table_csv.h"

#include "qlcos/exposure.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>

namespace qlcos::tool {

namespace {

// The picture file a plot command writes; its extension is checked while the arguments are
// parsed, before any file is read or any device opened.
void AddPictureOption(CLI::App* command, std::string& path)
{
    command->add_option("-o,--output", path, "the picture to write: a .png, .svg or .pdf file")
        ->required()
        ->check(CLI::Validator(
            [](std::string& value) -> std::string {
                plot::ImageFormat format = plot::ImageFormat::Png;
                if (plot::ImageFormatOf(value, format)) return "";
                return "the picture's name must end in .png, .svg or .pdf, not \"" + value + "\"";
            },
            "FILE.png|svg|pdf"));
}

// Draws with `draw` into a temporary file beside `target`, which appears only when the
// picture is complete; then reports it, with `details` in JSON and `about` in text.
template <typename Draw>
void WritePicture(const GlobalOptions& global, const std::string& target, Draw draw, Json details,
                  const std::string& about)
{
    plot::ImageFormat format = plot::ImageFormat::Png;
    plot::ImageFormatOf(target, format);
    OutputFile out(target);
    draw(plot::Destination{format, out.Path(), target});
    out.Commit();
    Json data;
    data["output"] = target;
    data["format"] = plot::ImageFormatName(format);
    data["width"] = plot::kCanvasWidth;
    data["height"] = plot::kCanvasHeight;
    for (auto& [key, value] : details.items()) data[key] = value;
    Output(global).Result(data, "wrote " + target + " (" + plot::ImageFormatName(format) + ", " +
                                    std::to_string(plot::kCanvasWidth) + " × " +
                                    std::to_string(plot::kCanvasHeight) + "): " + about + "\n");
}

// ---- gamma ----------------------------------------------------------------------------------

struct GammaArguments {
    std::string Config, Style, Table, Output;
};

plot::GammaCurve Channel(const char* name, plot::Colour ink, const tagZanXavenGammaKeyPoint* points,
                         int count, Json& json)
{
    std::vector<tagZanXavenGammaKeyPoint> sorted(points, points + count);
    // Drawn as the controller applies them: by input level.
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.x < b.x; });
    plot::GammaCurve curve{ink,
                           std::string(name) + " (" + std::to_string(count) +
                               (count == 1 ? " key point)" : " key points)"),
                           {}};
    json = Json::array();
    for (const tagZanXavenGammaKeyPoint& point : sorted) {
        curve.Points.push_back({double(point.x), double(point.y)});
        json.push_back({point.x, point.y});
    }
    return curve;
}

// A paper style's gamma table from the exposure configuration.
void PlotConfigGamma(const GammaArguments& arguments, const GlobalOptions& global)
{
    const std::unique_ptr<CZanLCosCtrlCfg> config = LoadExposureConfig(arguments.Config);
    const GammaTableChoice choice =
        ChooseGammaTable(*config, arguments.Config, arguments.Style, arguments.Table);
    Json details;
    details["style"] = choice.Style;
    details["table"] = choice.Table;
    const tagZanXavenGammaTableCfgData& data = choice.Data;
    plot::GammaCurves curves;
    curves.Title = "Gamma table " + choice.Table + ", paper style " + choice.Style;
    curves.Curves = {
        Channel("red", plot::kGammaRed, data.RedKP, data.nRedCount, details["red"]),
        Channel("green", plot::kGammaGreen, data.GreenKP, data.nGreenCount, details["green"]),
        Channel("blue", plot::kGammaBlue, data.BlueKP, data.nBlueCount, details["blue"])};
    WritePicture(
        global, arguments.Output,
        [&](const plot::Destination& destination) { plot::WriteGammaPlot(curves, destination); },
        details, "gamma table " + choice.Table + " of paper style " + choice.Style);
}

// The controller's gamma tables as `qlcos gamma get` writes them: 256 values per table.
void PlotControllerGamma(const GammaArguments& arguments, const GlobalOptions& global)
{
    if (!arguments.Style.empty() || !arguments.Table.empty())
        throw Failure(ExitCode::Usage, "--style and --table choose from a configuration, not from "
                                       "the controller's tables in " +
                                           arguments.Config);
    const GammaTables tables = ReadGammaCsv(arguments.Config, std::nullopt);
    const plot::Colour inks[] = {plot::kGammaRed, plot::kGammaGreen, plot::kGammaBlue};
    plot::GammaCurves curves;
    curves.Title = "Controller gamma tables, " + arguments.Config;
    curves.MaxInput = plot::kControllerGammaMaxInput;
    curves.MaxOutput = plot::kControllerGammaMaxOutput;
    curves.MarkPoints = false;
    Json details;
    details["tables"] = tables.Numbers;
    for (size_t i = 0; i < tables.Numbers.size(); ++i) {
        plot::GammaCurve curve{
            inks[tables.Numbers[i]], "table " + std::to_string(tables.Numbers[i]), {}};
        for (size_t level = 0; level < tables.Values[i].size(); ++level)
            curve.Points.push_back({double(level), double(tables.Values[i][level])});
        curves.Curves.push_back(std::move(curve));
    }
    WritePicture(
        global, arguments.Output,
        [&](const plot::Destination& destination) { plot::WriteGammaPlot(curves, destination); },
        details, "the controller's gamma tables in " + arguments.Config);
}

void PlotGamma(const GammaArguments& arguments, const GlobalOptions& global)
{
    if (Extension(arguments.Config) == "csv")
        PlotControllerGamma(arguments, global);
    else
        PlotConfigGamma(arguments, global);
}

// ---- uniformity -----------------------------------------------------------------------------

struct UniformityArguments {
    bool FromCsv = false; // --csv given, even as an empty name
    std::string Csv, Output;
    int Table = 1;
    LightEngineOptions Device;
};

constexpr int kCells = plot::kUniformColumns * plot::kUniformRows;
static_assert(kCells == CQPanelControl::kUniformBytes, "one byte per cell");

std::vector<double> CellsFromCsv(const std::string& path)
{
    const std::vector<unsigned char> cells = ReadUniformCsv(path);
    return std::vector<double>(cells.begin(), cells.end());
}

std::vector<double> CellsFromDevice(const UniformityArguments& arguments,
                                    const GlobalOptions& global, std::string& source)
{
    LightEngineSession session(arguments.Device, global);
    const std::vector<unsigned char> cells = ReadUniformTable(session, arguments.Table, global);
    source = session.PortText();
    return std::vector<double>(cells.begin(), cells.end());
}

void PlotUniformity(const UniformityArguments& arguments, const GlobalOptions& global)
{
    Json details;
    plot::UniformityMap map;
    std::string source = arguments.Csv;
    if (arguments.FromCsv) {
        map.Cells = CellsFromCsv(arguments.Csv);
        map.Title = "Uniformity, " + arguments.Csv;
    } else {
        map.Cells = CellsFromDevice(arguments, global, source);
        map.Title = "Uniformity table " + std::to_string(arguments.Table) + ", " + source;
        details["table"] = arguments.Table;
    }
    details["source"] = source;
    const auto [lowest, highest] = std::minmax_element(map.Cells.begin(), map.Cells.end());
    details["lowest"] = *lowest;
    details["highest"] = *highest;
    const std::string about = "uniformity from " + source + ", values " + NumberText(*lowest) +
                              " to " + NumberText(*highest);
    WritePicture(
        global, arguments.Output,
        [&](const plot::Destination& destination) { plot::WriteUniformityPlot(map, destination); },
        details, about);
}

// ---- density --------------------------------------------------------------------------------

struct DensityArguments {
    std::string Csv, Output;
};

struct DensityChannel {
    const char* Name;
    plot::Colour Ink;
};
const DensityChannel kDensityChannels[] = {{"visual", plot::kDensityVisual},
                                           {"cyan", plot::kDensityCyan},
                                           {"magenta", plot::kDensityMagenta},
                                           {"yellow", plot::kDensityYellow}};

// The column named `name` (letter case ignored), or -1.
int Column(const std::vector<std::string>& header, const std::string& name)
{
    for (size_t i = 0; i < header.size(); ++i)
        if (EqualIgnoringCase(header[i], name)) return static_cast<int>(i);
    return -1;
}

void PlotDensity(const DensityArguments& arguments, const GlobalOptions& global)
{
    const std::string& path = arguments.Csv;
    const CsvTable table = ReadCsv(path);
    const int time = Column(table.Header, "time");
    if (time < 0)
        throw Failure(ExitCode::File,
                      path + ": no \"time\" column (header time,visual,cyan,magenta,yellow)");
    if (table.Rows.empty()) throw Failure(ExitCode::File, path + ": no readings in it");
    for (size_t row = 0; row < table.Rows.size(); ++row) {
        const std::string reading = path + ": reading " + std::to_string(row + 1);
        if (table.Rows[row].size() != table.Header.size())
            throw Failure(ExitCode::File,
                          reading + " has " + std::to_string(table.Rows[row].size()) +
                              " fields, the header names " + std::to_string(table.Header.size()));
        for (double value : table.Rows[row])
            if (!std::isfinite(value))
                throw Failure(ExitCode::File, reading + " holds a value that is not a number");
    }
    plot::TimeSeries plot;
    plot.Title = "Density readings, " + path;
    plot.TimeLabel = "time (s)";
    plot.ValueLabel = "density";
    Json channels = Json::array();
    for (const DensityChannel& channel : kDensityChannels) {
        const int column = Column(table.Header, channel.Name);
        if (column < 0) continue;
        plot::Series series{channel.Name, channel.Ink, {}};
        for (const std::vector<double>& row : table.Rows)
            series.Samples.push_back({row[time], row[column]});
        plot.Lines.push_back(std::move(series));
        channels.push_back(channel.Name);
    }
    if (plot.Lines.empty())
        throw Failure(ExitCode::File, path + ": no density column (visual, cyan, magenta, yellow)");
    Json details;
    details["readings"] = table.Rows.size();
    details["channels"] = channels;
    WritePicture(
        global, arguments.Output,
        [&](const plot::Destination& destination) { plot::WriteTimeSeriesPlot(plot, destination); },
        details, std::to_string(table.Rows.size()) + " density readings");
}

} // namespace

void AddPlotCommands(CLI::App& app, const GlobalOptions& global)
{
    CLI::App* plot = app.add_subcommand("plot", "pictures of gamma and uniformity tables and "
                                                "density readings (PNG, SVG or PDF)");
    plot->require_subcommand(1);

    auto gamma = std::make_shared<GammaArguments>();
    CLI::App* gammaCommand = plot->add_subcommand(
        "gamma", "a gamma table's red, green and blue curves over the identity line");
    gammaCommand
        ->add_option(
            "CONFIG", gamma->Config,
            "the exposure configuration (XML, INI or blob file), or the controller's tables as "
            "qlcos gamma get writes them (a .csv file)")
        ->type_name("FILE")
        ->required();
    gammaCommand->add_option("--style", gamma->Style, "the paper style (default: the first one)");
    gammaCommand->add_option("--table", gamma->Table,
                             "the gamma table (default: the style's selected one)");
    AddPictureOption(gammaCommand, gamma->Output);
    gammaCommand->callback([gamma, &global] { PlotGamma(*gamma, global); });

    auto uniformity = std::make_shared<UniformityArguments>();
    CLI::App* uniformityCommand = plot->add_subcommand(
        "uniformity", "a heat map of a uniformity table's 25 × 33 cells, from a CSV file or the "
                      "controller");
    CLI::Option* csv = uniformityCommand
                           ->add_option("--csv", uniformity->Csv,
                                        "the table as CSV instead of the controller's: 33 rows of "
                                        "25 values 0..255, row = y, column = x")
                           ->type_name("FILE");
    CLI::Option* tableOption =
        uniformityCommand
            ->add_option("--table", uniformity->Table, "the controller's uniformity table")
            ->check(CLI::Range(1, CQPanelControl::kUniformTables))
            ->default_str("1");
    AddLightEngineOptions(uniformityCommand, uniformity->Device);
    csv->excludes(tableOption);
    for (const char* device : {"--port", "--sim", "--sim-time-scale"})
        csv->excludes(uniformityCommand->get_option(device));
    AddPictureOption(uniformityCommand, uniformity->Output);
    uniformityCommand->callback([uniformity, csv, &global] {
        uniformity->FromCsv = csv->count() > 0;
        PlotUniformity(*uniformity, global);
    });

    auto density = std::make_shared<DensityArguments>();
    CLI::App* densityCommand =
        plot->add_subcommand("density", "densities per channel over time, from the CSV file "
                                        "density watch --csv writes");
    densityCommand
        ->add_option("READINGS", density->Csv,
                     "CSV with the header time,visual,cyan,magenta,yellow (any of the channels)")
        ->type_name("FILE")
        ->required();
    AddPictureOption(densityCommand, density->Output);
    densityCommand->callback([density, &global] { PlotDensity(*density, global); });
}

} // namespace qlcos::tool
