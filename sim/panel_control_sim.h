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

#include "sim/frame_control_sim.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qlcos::sim {

class PanelControlSim : public FrameControlSim {
public:
    ~PanelControlSim() override;

    // Paces the line both ways at `baud` as a real line would: replies as SetPacing does,
    // and the host's bytes are taken in no faster than 10 bits a byte, so that a long
    // request is answered only once all of it could have crossed. 0 turns both off.
    void SetLineRate(int baud);

protected:
    PanelControlSim(char modelLetter, const char* identity);

    void OnBytes(const uint8_t* data, size_t n) override;

private:
    Refusal ShutterControl(const Params& p, std::string& data);
    Refusal WobbleControl(const Params& p, std::string& data);
    Refusal GetWobbleData(const Params& p, std::string& data);
    Refusal SetWobbleData(const Params& p, std::string& data);
    Refusal GetGammaData(const Params& p, std::string& data);
    Refusal SetGammaData(const Params& p, std::string& data);
    Refusal GetUniformData(const Params& p, std::string& data);
    Refusal SetUniformData(const Params& p, std::string& data);
    Refusal UniformData(const Params& p, std::string& data);

    // The table params[0] names ('0' + index) of `tables`, each value as `digits`
    // hexadecimal digits; and writing it from the digits that follow.
    template <class T, size_t Tables, size_t N>
    static Refusal ReadTable(const Params& p, const T (&tables)[Tables][N], int digits,
                             std::string& data);
    template <class T, size_t Tables, size_t N>
    static Refusal WriteTable(const Params& p, T (&tables)[Tables][N], int digits);

    // Reader thread only: when the paced line has delivered the host's last byte.
    std::atomic<int> m_LineRate{0};
    Clock::time_point m_InputDoneAt{};
};

} // namespace qlcos::sim
