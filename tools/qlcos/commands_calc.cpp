// qlcos calc: the exposure calculations of the percentage-step model, as the configuration
// offers them to a host.
#include "commands.h"

#include "qlcos/config/lcos_ctrl_cfg.h"

#include <cmath>
#include <string>
#include <vector>

namespace qlcos::tool {

namespace {

// One calculation: its arguments by name, in order, and how the result is formed.
struct Calculation {
    const char* Name;
    const char* Help;
    std::vector<const char*> Arguments;
    std::vector<float> (*Run)(const std::vector<float>& a);
};

const Calculation kCalculations[] = {
    {"time",
     "steps of STEP percent that take exposure REFERENCE to "
     "VALUE × (1 + CORRECTION/100)^CORRECTION_STEPS",
     {"VALUE", "CORRECTION_STEPS", "REFERENCE", "STEP", "CORRECTION"},
     [](const std::vector<float>& a) {
         return std::vector<float>{CZanLCosCtrlCfg::CalcExposalTime(a[0], a[1], a[2], a[3], a[4])};
     }},
    {"pulse",
     "VALUE × (1 + STEP/100)^(LEVEL − mean(L1, L2, L3)) × (1 + CORRECTION/100)^CORRECTION_STEPS",
     {"VALUE", "CORRECTION_STEPS", "LEVEL", "L1", "L2", "L3", "STEP", "CORRECTION"},
     [](const std::vector<float>& a) {
         const float levels[3] = {a[3], a[4], a[5]};
         return std::vector<float>{
             CZanLCosCtrlCfg::CalcExposalPluse(a[0], a[1], a[2], levels, a[6], a[7])};
     }},
    {"color",
     "X[i] × (1 + STEP/100)^(Y[i] − mean(Y)) for the three channels",
     {"X1", "X2", "X3", "STEP", "Y1", "Y2", "Y3"},
     [](const std::vector<float>& a) {
         const float x[3] = {a[0], a[1], a[2]};
         const float y[3] = {a[4], a[5], a[6]};
         std::vector<float> out(3);
         CZanLCosCtrlCfg::CalcCol(x, a[3], y, out.data());
         return out;
     }},
    {"density",
     "X[i] × (1 + STEP/100)^STEPS for the three channels",
     {"X1", "X2", "X3", "STEP", "STEPS"},
     [](const std::vector<float>& a) {
         const float x[3] = {a[0], a[1], a[2]};
         std::vector<float> out(3);
         CZanLCosCtrlCfg::CalcDen(x, a[3], a[4], out.data());
         return out;
     }},
};

// A result for JSON: a number, or null where it is infinite or not a number.
Json JsonNumber(float value)
{
    return std::isfinite(value) ? Json(Rounded(value, 6)) : Json(nullptr);
}

std::string Text(float value)
{
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    return NumberText(value, 6);
}

} // namespace

void AddCalcCommands(CLI::App& app, const GlobalOptions& global)
{
    CLI::App* calc = app.add_subcommand("calc", "the exposure calculations (percentage steps)");
    calc->require_subcommand(1);
    for (const Calculation& c : kCalculations) {
        CLI::App* command = calc->add_subcommand(c.Name, c.Help);
        auto values = std::make_shared<std::vector<float>>(c.Arguments.size());
        for (size_t i = 0; i < c.Arguments.size(); ++i)
            command->add_option(c.Arguments[i], (*values)[i])->required();
        command->callback([&c, values, &global] {
            const std::vector<float> result = c.Run(*values);
            Json data;
            std::string text;
            if (result.size() == 1) {
                data["result"] = JsonNumber(result[0]);
                text = Text(result[0]) + "\n";
            } else {
                data["result"] = Json::array();
                for (size_t i = 0; i < result.size(); ++i) {
                    data["result"].push_back(JsonNumber(result[i]));
                    text += (i ? " " : "") + Text(result[i]);
                }
                text += "\n";
            }
            Output(global).Result(data, text);
        });
    }
}

} // namespace qlcos::tool
