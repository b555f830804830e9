// The library's model, capability and command tables against the simulators, which keep
// their own command tables as the independent reference, and against the device test's own
// table of what each model sends.
#include "qlcos/exposure.h"

// A host that uses only the light engine includes qlcos/exposure.h without Xerces-C.
#if defined(XERCES_CPP_NAMESPACE)
#error "qlcos/exposure.h must not need the Xerces-C headers"
#endif

#include "exposure/command_table.h"
#include "exposure/model_table.h"
#include "sim/lamp_control2_sim.h"
#include "sim/lamp_control_sim.h"
#include "sim/lcd_control_sim.h"
#include "sim/ldd_control_sim.h"
#include "sim/led_control_sim.h"
#include "support/device_operations.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

namespace ex = qlcos::exposure;
namespace sim = qlcos::sim;

namespace {

// The simulators of the framed models, by model letter, and of the first generation.
struct Simulators {
    sim::LampControl2Sim lamp2;
    sim::LEDControlSim led;
    sim::LCDControlSim lcd;
    sim::LDDControlSim ldd;
    sim::LampControlSim lamp;

    const sim::FramedProtocolSim* Framed(char letter) const
    {
        const sim::FramedProtocolSim* const framed[] = {&lamp2, &led, &lcd, &ldd};
        for (const sim::FramedProtocolSim* model : framed)
            if (model->ModelLetter() == letter) return model;
        return nullptr;
    }
    // The name the simulator of `deviceType` gives command `letter`; null when it has none.
    const char* CommandName(uint16_t deviceType, unsigned char letter) const
    {
        if (deviceType == ZAN_DEVTYPE_LAMP_CONTROLLER) return lamp.CommandName(letter);
        return Framed(ex::ModelOf(deviceType).Letter)->CommandName(letter);
    }
};

} // namespace

TEST(CapabilityTable, AgreesWithTheDeviceTestsOwnTableAndTheSimulators)
{
    const Simulators sims;
    ASSERT_EQ(std::size(ex::kOperations), std::size(qlcos::test::kDeviceOperations));
    for (size_t i = 0; i < std::size(ex::kOperations); ++i) {
        const ex::Operation& op = ex::kOperations[i];
        const qlcos::test::DeviceOperation& theirs = qlcos::test::kDeviceOperations[i];
        EXPECT_STREQ(theirs.name, op.Name);
        for (size_t column = 0; column < std::size(ex::kCapabilityColumns); ++column) {
            const uint16_t type = ex::kCapabilityColumns[column];
            const char letter = op.Command[column];
            EXPECT_EQ(theirs.commands[column], letter) << op.Name << " on model " << type;
            EXPECT_EQ(letter != '-', ex::Has(type, op.Id)) << op.Name << " on model " << type;
            if (letter == '-') continue;
            EXPECT_NE(nullptr, sims.CommandName(type, static_cast<unsigned char>(letter)))
                << op.Name << " on model " << type << " sends '" << letter
                << "', which its simulator does not know";
        }
    }
}

TEST(CommandTable, EveryRowIsACommandOfItsModelsSimulatorsUnderTheSameName)
{
    const Simulators sims;
    for (const auto& row : ex::kFramedCommands) {
        for (const char* m = row.Models; *m; ++m) {
            if (*m == '-') continue;
            const sim::FramedProtocolSim* model = sims.Framed(*m);
            ASSERT_NE(nullptr, model) << row.Name << ": model letter " << *m;
            EXPECT_STREQ(row.Name, model->CommandName(row.Letter))
                << "command '" << row.Letter << "' of model " << *m;
        }
    }
    for (const auto& row : ex::kLampCommands) {
        EXPECT_STREQ("L", row.Models);
        EXPECT_STREQ(row.Name, sims.lamp.CommandName(row.Letter))
            << "command '" << row.Letter << "'";
    }
}

TEST(CommandTable, HoldsEveryCommandTheSimulatorsKnow)
{
    const Simulators sims;
    for (const ex::ControllerModel& model : ex::kModels) {
        if (!model.ProbeRank) continue;
        for (int letter = 0; letter < 256; ++letter) {
            if (!sims.CommandName(model.DeviceType, static_cast<unsigned char>(letter))) continue;
            bool found = false;
            if (model.Letter) {
                for (const auto& row : ex::kFramedCommands)
                    found |= row.Letter == letter && std::strchr(row.Models, model.Letter);
            } else {
                for (const auto& row : ex::kLampCommands) found |= row.Letter == letter;
            }
            EXPECT_TRUE(found) << "model " << model.DeviceType << " has command '"
                               << static_cast<char>(letter) << "' the library cannot send";
        }
    }
}
