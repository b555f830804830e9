// qlcos config: configuration files in any form (blob, INI, XML): show what they hold,
// convert them between the forms, check them for damage.
#include "commands.h"

#include "config_check.h"
#include "config_convert.h"
#include "config_listing.h"
#include "config_loading.h"
#include "failure.h"

#include <cctype>
#include <cstring>

#include <cctype>
#include <cstring>

namespace qlcos::tool {

namespace {

struct ConfigOptions {
    std::string Input;
    std::string Output;
    std::string Kind; // --record; empty for every record
};

const RecordKind* ChosenKind(const ConfigOptions& options)
{
    return options.Kind.empty() ? nullptr : FindRecordKind(options.Kind);
}

void AddRecordOption(CLI::App* command, ConfigOptions& options)
{
    std::vector<std::string> names;
    for (const RecordKind& kind : RecordKinds()) names.push_back(kind.Element);
    command
        ->add_option("--record", options.Kind,
                     "only the records of this kind (a record element, listed under "
                     "`qlcos config --help`)")
        ->check(CLI::IsMember(names, CLI::ignore_case));
}

void Show(const ConfigOptions& options, const GlobalOptions& global)
{
    ConfigContent content = LoadConfigFile(options.Input, ChosenKind(options));
    Json data{{"file", options.Input}, {"form", FormName(content.Form)}};
    std::string text = options.Input + ": " + FormName(content.Form);
    if (content.Header) {
        const BlobHeader& h = *content.Header;
        data["blob"] = {{"identifier", IdentifierText(h.Identifier)},
                        {"size", h.Size},
                        {"headerSize", h.HeadSize}};
        text += ", identifier " + IdentifierText(h.Identifier) + ", " + std::to_string(h.Size) +
                " bytes, header " + std::to_string(h.HeadSize);
    }
    text += "\n";
    data["records"] = Json::array();
    for (const std::unique_ptr<Record>& record : content.Records) {
        const Listing listing = ListRecord(*record, content.Form != ConfigForm::Xml);
        data["records"].push_back(
            {{"record", record->Kind().Element}, {"content", ListingJson(listing)}});
        text += "\n" + ListingText(listing, 0);
    }
    Output(global).Result(data, text);
}

void Convert(const ConfigOptions& options, const GlobalOptions& global)
{
    const Conversion conversion = ConvertConfig(options.Input, options.Output, ChosenKind(options));
    std::string text = "wrote " + options.Output + " (" + FormName(conversion.Form) + "):";
    for (const std::string& record : conversion.Records) text += " " + record;
    text += "\n";
    for (const std::string& note : conversion.Notes) text += "note: " + note + "\n";
    Output(global).Result({{"input", options.Input},
                           {"output", options.Output},
                           {"form", FormName(conversion.Form)},
                           {"records", conversion.Records},
                           {"notes", conversion.Notes}},
                          text);
}

void Check(const ConfigOptions& options, const GlobalOptions& global)
{
    const CheckReport report = CheckConfigFile(options.Input);
    std::string text;
    if (report.Findings.empty()) {
        text = options.Input + ": sound (" + FormName(report.Form) + ":";
        for (const std::string& record : report.Records) text += " " + record;
        text += ")\n";
    }
    // A finding that starts with its place ("3:17: ...") follows the path as compilers write it.
    for (const std::string& finding : report.Findings)
        text += options.Input +
                (std::isdigit(static_cast<unsigned char>(finding[0])) ? ":" : ": ") + finding +
                "\n";
    Output(global).Result({{"file", options.Input},
                           {"form", FormName(report.Form)},
                           {"sound", report.Findings.empty()},
                           {"records", report.Records},
                           {"findings", report.Findings}},
                          text);
    if (!report.Findings.empty())
        throw Failure(ExitCode::File,
                      options.Input + ": damaged (" + std::to_string(report.Findings.size()) +
                          (report.Findings.size() == 1 ? " finding)" : " findings)"));
}

} // namespace

void AddConfigCommands(CLI::App& app, const GlobalOptions& global)
{
    CLI::App* config = app.add_subcommand(
        "config", "configuration files as blobs, INI files or XML documents: show, convert, check");
    config->require_subcommand(1);
    std::string kinds = "Records (by their XML element):\n";
    for (const RecordKind& kind : RecordKinds())
        kinds += "  " + std::string(kind.Element) +
                 std::string(28 - std::strlen(kind.Element), ' ') + kind.Description + "\n";
    config->footer(kinds + "\n" + ExitCodeHelp());
    auto options = std::make_shared<ConfigOptions>();

    CLI::App* show =
        config->add_subcommand("show", "list every record the file holds, in any form");
    show->add_option("FILE", options->Input, "a blob, INI file or XML document")->required();
    AddRecordOption(show, *options);
    show->callback([options, &global] { Show(*options, global); });

    CLI::App* convert = config->add_subcommand(
        "convert",
        "convert the records of IN to the form OUT's name gives: .xml, .ini, else a blob");
    convert->add_option("IN", options->Input, "a blob, INI file or XML document")->required();
    convert
        ->add_option("OUT", options->Output, "the file to write; replaced whole or left as it was")
        ->required();
    AddRecordOption(convert, *options);
    convert->callback([options, &global] { Convert(*options, global); });

    CLI::App* check = config->add_subcommand(
        "check",
        "say what is wrong with a blob, INI file or XML document; exit 0 when sound, 3 when not");
    check->add_option("FILE", options->Input, "a blob, INI file or XML document")->required();
    check->callback([options, &global] { Check(*options, global); });
}

} // namespace qlcos::tool
