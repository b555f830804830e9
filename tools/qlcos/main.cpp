// qlcos: the exposure side's service tool. Looks at and changes the light-engine controller,
// its gamma and uniformity tables, the densitometers and the configuration files, plots
// them, and does the exposure calculations; every device command can run on a simulator
// started in this program (--sim). `qlcos --help` lists the commands.
#include "commands.h"
#include "failure.h"
#include "output.h"

#include "qlcos/qlcos.h"

#include <xercesc/util/PlatformUtils.hpp>

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

using qlcos::tool::ExitCode;

// Xerces-C for the configuration commands, set up once for the program as a host does.
struct XercesScope {
    XercesScope() { xercesc::XMLPlatformUtils::Initialize(); }
    ~XercesScope() { xercesc::XMLPlatformUtils::Terminate(); }
};

// The first word that names no command where a command is expected, e.g. "qlcos calc
// nonsense": CLI11 would only say that a command is required. Empty when there is none.
// Scanning stops at the first option below the top level, since options may take values.
std::string UnknownCommand(CLI::App& app, int argc, char** argv)
{
    CLI::App* current = &app;
    std::string path = "qlcos";
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (!word.empty() && word[0] == '-') {
            if (current != &app) break;
            continue;
        }
        const std::vector<CLI::App*> commands = current->get_subcommands({});
        if (commands.empty()) break;
        CLI::App* next = nullptr;
        std::string names;
        for (CLI::App* command : commands) {
            if (command->check_name(word)) next = command;
            names += (names.empty() ? "" : ", ") + command->get_name();
        }
        if (!next)
            return "unknown command \"" + word + "\" for " + path + " (one of: " + names + ")";
        current = next;
        path += " " + word;
    }
    return "";
}

int Fail(ExitCode code, const std::string& what)
{
    std::fprintf(stderr, "qlcos: %s\n", what.c_str());
    return static_cast<int>(code);
}

} // namespace

int main(int argc, char** argv)
{
    qlcos::tool::GlobalOptions global;
    CLI::App app("The exposure side's service tool: the light-engine controller, its tables, "
                 "the densitometers, configuration files, plots and exposure calculations.",
                 "qlcos");
    app.require_subcommand(1);
    app.fallthrough(); // --json and --trace may follow the subcommand
    app.add_flag("--json", global.Json, "machine-readable output (JSON) on standard output");
    app.add_flag("--trace", global.Trace, "show every frame on the serial line (standard error)");
    app.footer(qlcos::tool::ExitCodeHelp());
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return "qlcos: " + std::string(e.what()) + "\n";
    });
    // The trace is switched on before any port opens (the library reads it once).
    app.parse_complete_callback([&global] {
        if (global.Trace) setenv("QLCOS_TRACE", "1", 1);
    });

    qlcos::tool::AddDeviceCommands(app, global);
    qlcos::tool::AddTableCommands(app, global);
    qlcos::tool::AddDensityCommands(app, global);
    qlcos::tool::AddConfigCommands(app, global);
    qlcos::tool::AddPlotCommands(app, global);
    qlcos::tool::AddCalcCommands(app, global);

    if (const std::string unknown = UnknownCommand(app, argc, argv); !unknown.empty())
        return Fail(ExitCode::Usage, unknown + "; --help lists them");

    XercesScope xerces;
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return static_cast<int>(ExitCode::Usage);
    } catch (const qlcos::tool::Failure& e) {
        return Fail(e.Code(), e.what());
    } catch (const std::exception& e) {
        return Fail(ExitCode::DeviceFailed, e.what());
    }
    return 0;
}
