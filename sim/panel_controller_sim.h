// What the LCD and LDD controller simulators share: three colour channels with shutter
// times, four interval times, a shutter, a wobble unit (a setting and a value 0..359), three
// gamma tables of 256 12-bit values, three uniformity tables of 825 bytes (25 columns by
// 33 rows, row after row), eight image-adjust values in hexadecimal, three serial codes and
// the 256-byte data store.
//
// Exposures and the actions a driver waits for (shutter, wobble control and the model's
// own moves) are jobs: a poll answers status '2' (busy) with a progress digit '0'..'9'
// until the job's time is up, then '0' (idle). A job may begin with a phase in which polls
// answer '6' (moving) instead of '2'. A new job replaces one still running.
#pragma once

#include "sim/framed_model_sim.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qlcos::sim {

// What the LCD and LDD controllers keep beyond the state every framed model keeps.
struct PanelSettings {
    static constexpr int kGammaTables = 3;
    static constexpr int kGammaValues = 256;
    static constexpr int kUniformTables = 3;
    static constexpr int kUniformColumns = 25;
    static constexpr int kUniformRows = 33;
    static constexpr int kUniformBytes = kUniformColumns * kUniformRows;

    bool wobbleOn;
    uint16_t wobble;                            // 0..359
    uint8_t wobbleAction;                       // last WobbleControl index 1..4; 0 before the first
    uint16_t gamma[kGammaTables][kGammaValues]; // 0..0xFFF
    uint8_t uniform[kUniformTables][kUniformBytes]; // cell (x, y) at y * 25 + x
    bool shutterOpen;
};

// A snapshot of the state the LCD and LDD controllers share. Times are in units of 10 ms.
// Image-adjust values are as the controller holds them: items 7 and 8 hold 0 when switched
// on.
struct PanelState : FramedCommonState, PanelSettings {};

class PanelControllerSim : public FramedModelSim {
public:
    ~PanelControllerSim() override;

    // Paces the line both ways at `baud` as a real line would: replies as SetPacing does,
    // and the host's bytes are taken in no faster than 10 bits a byte, so that a long
    // request is answered only once all of it could have crossed. 0 turns both off.
    void SetLineRate(int baud);

protected:
    PanelControllerSim(char modelLetter, const char* identity);

    // The model's own commands: handles `command` and returns true, or returns false when
    // the model has no such command. Called with stateMutex_ held.
    virtual bool HandleModel(unsigned char command, const Params& params, std::string& data,
                             Refusal& refusal) = 0;
    virtual const char* ModelCommandName(unsigned char command) const = 0;

    // The shared state with the data store, and setting it back. Call with stateMutex_ held.
    PanelState PanelLocked() const;
    void SetPanelLocked(const PanelState& state);

    void Handle(unsigned char command, const Params& params, std::string& data, char& e1,
                char& e2) override;
    const char* CommandName(unsigned char command) const override;
    void OnBytes(const uint8_t* data, size_t n) override;

private:
    using Entry = CommandEntry<PanelControllerSim>;

    static const Entry* FindCommand(unsigned char letter);

    Refusal ShutterControl(const Params& p, std::string& data);
    Refusal WobbleControl(const Params& p, std::string& data);
    Refusal GetWobbleData(const Params& p, std::string& data);
    Refusal SetWobbleData(const Params& p, std::string& data);
    Refusal GetGammaData(const Params& p, std::string& data);
    Refusal SetGammaData(const Params& p, std::string& data);
    Refusal GetUniformData(const Params& p, std::string& data);
    Refusal SetUniformData(const Params& p, std::string& data);
    Refusal UniformData(const Params& p, std::string& data);

    PanelSettings panel_;

    // Reader thread only: when the paced line has delivered the host's last byte.
    std::atomic<int> lineRate_{0};
    Clock::time_point inputDoneAt_{};
};

} // namespace qlcos::sim
