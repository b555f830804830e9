// qlcos probe, get, set, expose, shutter, carrier, focus, status: the light-engine
// controller through CZanLCosCtrl, as a host drives it.
#include "commands.h"
#include "device_settings.h"
#include "failure.h"
#include "light_engine_session.h"

#include "qlcos/exposure.h"
#include "qlcos/version.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

namespace qlcos::tool {

namespace {

// A light-engine command: its options, and the work done on the probed device.
template <typename Work>
CLI::App* AddDeviceCommand(CLI::App& parent, const std::string& name, const std::string& help,
                           const GlobalOptions& global, std::shared_ptr<LightEngineOptions> options,
                           Work work)
{
    CLI::App* command = parent.add_subcommand(name, help);
    AddLightEngineOptions(command, *options);
    command->callback([&global, options, work] {
        LightEngineSession session(*options, global);
        work(session);
    });
    return command;
}

std::string Padded(const std::string& label) { return label + std::string(15 - label.size(), ' '); }

void AddProbe(CLI::App& app, const GlobalOptions& global)
{
    auto options = std::make_shared<LightEngineOptions>();
    AddDeviceCommand(
        app, "probe",
        "find which controller model answers on the port: its description, identity text and "
        "serial codes",
        global, options, [&global](LightEngineSession& session) {
            CZanLCosCtrl& device = session.Device();
            Json data{{"port", session.PortText()},
                      {"model", session.Model()},
                      {"device_type", device.GetDeviceType()},
                      {"library", QLCOS_VERSION_STRING}};
            std::string text = Padded("port") + session.PortText() + "\n" + Padded("model") +
                               session.Model() + " (device type " +
                               std::to_string(device.GetDeviceType()) + ")\n";
            // The framed controllers tell their identity text and keep serial codes; the
            // first-generation lamp controller has neither.
            if (auto* framed = session.DriverAs<CQFrameControl>()) {
                char identity[CQFrameControl::kVersionTextCapacity] = {};
                const ZanResult result = framed->GetVersion(identity);
                data["identity"] = zanFailed(result) ? Json(nullptr) : Json(identity);
                text += Padded("identity") +
                        (zanFailed(result) ? "unreadable: " + ResultText(result) : identity) + "\n";
                data["serial_codes"] = Json::object();
                for (unsigned char i = 1; i <= 3; ++i) {
                    unsigned short code[CQFrameControl::kSerialCodeCapacity] = {};
                    const ZanResult r = device.GetSerialCode(i, code);
                    ZanWChar wide[CQFrameControl::kSerialCodeCapacity] = {};
                    std::copy(std::begin(code), std::end(code), wide);
                    const std::string value = zanFailed(r) ? "" : Utf8(wide);
                    data["serial_codes"][std::to_string(i)] =
                        zanFailed(r) ? Json(nullptr) : Json(value);
                    text += Padded("serial code " + std::to_string(i)) +
                            (zanFailed(r) ? "unreadable: " + ResultText(r) : value) + "\n";
                }
            }
            text += Padded("library") + QLCOS_VERSION_STRING + "\n";
            Output(global).Result(data, text);
        });
}

// "value 0..99", or "value 0..1 (item 1), 0..359 (item 2)" where the indexes differ.
std::string ValuesText(const DeviceSetting& s)
{
    const ValueRange first = s.Values(s.Indexes.Min, 0);
    bool same = true;
    for (int i = s.Indexes.Min; i <= s.Indexes.Max; ++i)
        same = same && s.Values(i, 0).Min == first.Min && s.Values(i, 0).Max == first.Max;
    if (same) return "value " + first.Text();
    std::string text = "value";
    for (int i = s.Indexes.Min; i <= s.Indexes.Max; ++i)
        text += std::string(i == s.Indexes.Min ? " " : ", ") + s.Values(i, 0).Text() + " (" +
                s.IndexName + " " + std::to_string(i) + ")";
    return text;
}

// get ITEM [INDEX] and set ITEM INDEX VALUE, one subcommand per setting.
void AddGetSet(CLI::App& app, const GlobalOptions& global)
{
    CLI::App* get = app.add_subcommand("get", "read a controller setting");
    CLI::App* set = app.add_subcommand("set", "change a controller setting");
    get->require_subcommand(1);
    set->require_subcommand(1);
    for (const DeviceSetting& s : DeviceSettings()) {
        const std::string ranges = std::string(s.IndexName) + " " + s.Indexes.Text() + ", " +
                                   ValuesText(s) +
                                   (*s.Unit ? std::string(" (units of ") + s.Unit + ")" : "");
        auto getOptions = std::make_shared<LightEngineOptions>();
        auto index = std::make_shared<std::optional<int>>();
        CLI::App* getItem = AddDeviceCommand(
            *get, s.Name, std::string(s.Help) + "; " + ranges, global, getOptions,
            [&s, &global, index](LightEngineSession& session) {
                Json data{{"item", s.Name}, {"unit", s.Unit}, {"values", Json::array()}};
                std::string text;
                const int first = index->value_or(s.Indexes.Min);
                const int last = index->value_or(s.Indexes.Max);
                for (int i = first; i <= last; ++i) {
                    unsigned value = 0;
                    session.Require(s.Get(session.Device(), static_cast<unsigned char>(i), value),
                                    s.GetOperation);
                    data["values"].push_back({{"index", i}, {"value", value}});
                    text += std::string(s.Name) + " " + std::to_string(i) + " = " +
                            std::to_string(value) + (*s.Unit ? std::string(" × ") + s.Unit : "") +
                            "\n";
                }
                Output(global).Result(data, text);
            });
        getItem->add_option("INDEX", *index, std::string("the ") + s.IndexName + "; all without it")
            ->check(CLI::Range(s.Indexes.Min, s.Indexes.Max));

        auto setOptions = std::make_shared<LightEngineOptions>();
        auto target = std::make_shared<std::pair<int, long>>();
        CLI::App* setItem = set->add_subcommand(s.Name, std::string(s.Help) + "; " + ranges);
        AddLightEngineOptions(setItem, *setOptions);
        setItem->add_option("INDEX", target->first, std::string("the ") + s.IndexName)
            ->required()
            ->check(CLI::Range(s.Indexes.Min, s.Indexes.Max));
        setItem->add_option("VALUE", target->second, "the new value")->required();
        setItem->callback([&s, &global, setOptions, target] {
            const auto [i, value] = *target;
            auto refuse = [&](const ValueRange& range, const std::string& where) {
                throw Failure(ExitCode::Usage, std::string(s.Name) + " " + std::to_string(i) +
                                                   ": " + std::to_string(value) +
                                                   " is out of range " + range.Text() + where);
            };
            // Refused before the port is opened when no model takes the value, and before
            // anything is sent when the detected model does not.
            if (!s.Values(i, 0).Holds(value)) refuse(s.Values(i, 0), "");
            LightEngineSession session(*setOptions, global);
            const ValueRange own = s.Values(i, session.Device().GetDeviceType());
            if (!own.Holds(value)) refuse(own, " on the " + session.Model());
            session.Require(s.Set(session.Device(), static_cast<unsigned char>(i),
                                  static_cast<unsigned>(value)),
                            s.SetOperation);
            Output(global).Result({{"item", s.Name}, {"index", i}, {"value", value}},
                                  std::string(s.Name) + " " + std::to_string(i) + " set to " +
                                      std::to_string(value) + "\n");
        });
    }
}

// A command that runs one operation with one argument and reports it done.
void AddAction(CLI::App& app, const GlobalOptions& global, const std::string& name,
               const std::string& help, const std::string& argument,
               const std::string& argumentHelp, const ValueRange& range, const char* operation,
               ZanResult (*run)(CZanLCosCtrl&, int))
{
    auto options = std::make_shared<LightEngineOptions>();
    auto value = std::make_shared<int>(0);
    CLI::App* command = AddDeviceCommand(
        app, name, help, global, options,
        [&global, name, argument, value, operation, run](LightEngineSession& session) {
            session.Require(run(session.Device(), *value), operation);
            Output(global).Result({{"command", name}, {argument, *value}, {"done", true}},
                                  name + " " + std::to_string(*value) + ": done\n");
        });
    command->add_option(argument, *value, argumentHelp)
        ->required()
        ->check(CLI::Range(range.Min, range.Max));
}

void AddShutter(CLI::App& app, const GlobalOptions& global)
{
    auto options = std::make_shared<LightEngineOptions>();
    auto state = std::make_shared<std::string>();
    CLI::App* command = AddDeviceCommand(
        app, "shutter", "open or close the shutter and wait until it has moved", global, options,
        [&global, state](LightEngineSession& session) {
            session.Require(session.Device().ShutterOpen(0, *state == "open"), "ShutterOpen");
            Output(global).Result({{"shutter", *state}}, "shutter: " + *state + "\n");
        });
    command->add_option("STATE", *state, "open or close")
        ->required()
        ->check(CLI::IsMember({"open", "close"}));
}

std::string StatusText(unsigned char status)
{
    return status >= 0x20 && status < 0x7F ? std::string(1, static_cast<char>(status))
                                           : std::to_string(status);
}

void AddStatus(CLI::App& app, const GlobalOptions& global)
{
    auto options = std::make_shared<LightEngineOptions>();
    AddDeviceCommand(
        app, "status",
        "the controller's status and progress, a lamp table refresh in progress, and the line",
        global, options, [&global](LightEngineSession& session) {
            CZanLCosCtrl& device = session.Device();
            const bool lineUp = !zanFailed(device.CheckLine(nullptr));
            Json data{{"model", session.Model()}, {"line", lineUp ? "up" : "closed"}};
            std::string text = Padded("model") + session.Model() + "\n" + Padded("line") +
                               (lineUp ? "up" : "closed") + "\n";
            // What the model lacks is left out; Poll is on every model but the first lamp.
            unsigned char status = 0, progress = 0;
            ZanResult result = device.Poll(status, progress);
            if (result != ZAN_LCOS_UNSUPPORTED) {
                session.Require(result, "Poll");
                data["status"] = StatusText(status);
                data["ready"] = status == '0';
                data["progress"] = StatusText(progress);
                text += Padded("status") + StatusText(status) +
                        (status == '0' ? " (ready)" : " (busy)") + "\n" + Padded("progress") +
                        StatusText(progress) + "\n";
            }
            unsigned char stage = 0, percent = 0;
            result = device.GetRefreshProgress(stage, percent);
            if (result != ZAN_LCOS_UNSUPPORTED) {
                session.Require(result, "GetRefreshProgress");
                data["refresh"] = {{"stage", stage}, {"percent", percent}};
                text += Padded("refresh") + "stage " + std::to_string(stage) + ", " +
                        std::to_string(percent) + "%\n";
            }
            Output(global).Result(data, text);
        });
}

} // namespace

void AddDeviceCommands(CLI::App& app, const GlobalOptions& global)
{
    AddProbe(app, global);
    AddGetSet(app, global);
    AddAction(app, global, "expose",
              "expose a channel (1..3 by its shutter time, 4 and 5 by interval time 1 and 2) "
              "and wait until the controller is done",
              "CHANNEL", "the channel to expose", {1, 5}, "Expose",
              [](CZanLCosCtrl& d, int v) { return d.Expose(static_cast<unsigned char>(v)); });
    AddShutter(app, global);
    AddAction(app, global, "carrier", "move the paper carrier to position 1 or 2", "POSITION",
              "the carrier position", {1, 2}, "MoveCarrier",
              [](CZanLCosCtrl& d, int v) { return d.MoveCarrier(static_cast<unsigned char>(v)); });
    AddAction(app, global, "focus", "move the focus drive by STEPS steps", "STEPS",
              "the steps to move", {0, 9999}, "MoveFocus",
              [](CZanLCosCtrl& d, int v) { return d.MoveFocus(v); });
    AddStatus(app, global);
}

} // namespace qlcos::tool
