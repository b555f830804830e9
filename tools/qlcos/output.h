// What a command prints: text for a person, or JSON with --json; progress on a terminal.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace qlcos::tool {

using Json = nlohmann::ordered_json;

// Options every command shares.
struct GlobalOptions {
    bool Json = false;  // machine-readable output on standard output
    bool Trace = false; // the serial trace on standard error
};

// Standard output of one command.
class Output {
public:
    explicit Output(const GlobalOptions& options) : m_Json(options.Json) {}
    bool Json() const { return m_Json; }
    // The command's result: `data` under --json (one document), else `text` as it is.
    void Result(const qlcos::tool::Json& data, const std::string& text) const;
    // One item of a stream (watch): one JSON document per line, or one line of text.
    void StreamItem(const qlcos::tool::Json& data, const std::string& text) const;

private:
    bool m_Json;
};

// A progress line on standard error, redrawn in place; shown only when standard error is a
// terminal and the output is not JSON, so that scripts and logs stay clean.
class Progress {
public:
    Progress(const GlobalOptions& options, std::string label, int total);
    ~Progress(); // clears the line when it was shown
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    // `done` of the total, with a note (e.g. the model being tried).
    void Update(int done, const std::string& note = "");
    bool Shown() const { return m_Shown; }

private:
    std::string m_Label;
    int m_Total;
    bool m_Shown;
    size_t m_LastWidth = 0;
};

// A number as shown: at most `decimals` decimals, no trailing zeros, never in the user's
// locale ("12.5", "0.85", "3").
std::string NumberText(double value, int decimals = 4);
// The value as NumberText shows it, for JSON (a float reading 0.85f gives 0.85, not
// 0.8500000238418579).
double Rounded(double value, int decimals = 4);

} // namespace qlcos::tool
