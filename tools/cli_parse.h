// Argument parsing shared by the programs: a bad argument is one line on standard error and
// exit status 2, before anything starts; --help prints the usage and exits 0.
#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <string>

namespace qlcos::tools {

// Parses into `app`'s options. Empty when the program goes on; else the exit status.
inline std::optional<int> ParseArguments(CLI::App& app, int argc, char** argv,
                                         const std::string& program)
{
    app.failure_message([program](const CLI::App*, const CLI::Error& e) {
        return program + ": " + std::string(e.what()) + "\n";
    });
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }
    return std::nullopt;
}

} // namespace qlcos::tools
