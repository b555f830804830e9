// What the lamp controller 2, the LED controller and the panel (LCD and LDD) controllers
// share on top of the framed protocol: their state, the data store, jobs and their busy
// status, and the handlers of the commands every model has (exposure, shutter and interval
// times, serial codes, image-adjust values, the data store) or several have (brightness,
// channel settings, input selection, LED levels). Each model adds a command table of its own,
// naming these handlers where they fit.
//
// Exposures and the other actions a driver waits for are jobs: a poll answers status '2'
// (busy) with a progress digit '0'..'9' until the job's time is up, then '0' (idle). A job
// may begin with a phase in which polls answer '6' (moving) instead of '2'. A new job
// replaces one still running: the controller follows its last order. Job times are
// measured against a steady-clock deadline when a poll arrives.
#pragma once

#include "sim/framed_protocol_sim.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qlcos::sim {

// A snapshot of a framed controller's state. Every model keeps the first group; each of
// the others belongs to the models named, and stays as it started on the rest. Times are
// in units of 10 ms.
struct FrameControlState {
    static constexpr int kGammaTables = 3;
    static constexpr int kGammaValues = 256;
    static constexpr int kUniformTables = 3;
    static constexpr int kUniformColumns = 25;
    static constexpr int kUniformRows = 33;
    static constexpr int kUniformBytes = kUniformColumns * kUniformRows;

    uint16_t Shutter[3];  // channels 1..3
    uint16_t Interval[4]; // indexes 1..4; 1 and 2 time exposures of channels 4 and 5
    uint16_t ImageAdjust[8];
    char Serial[3][17]; // 16 characters each, NUL-terminated
    uint8_t Store[256]; // the data store of FormatData and DataOperator
    int Exposures;      // count of Expose commands
    int LastExposeChannel;

    // Lamp controller 2, LED and LDD: brightness of channels 1..3, 0..99.
    uint8_t Brightness[3];
    // Lamp controller 2 and LED.
    uint8_t Channel[3]; // channel setting of channels 1..3
    uint8_t Input;      // input number chosen by InputSelect, 1-based
    // Lamp controller 2, LCD and LDD.
    bool ShutterOpen;
    // LED (selectors 0..3) and LDD (LED actions 0..6): LED levels, 0..99.
    uint8_t LedLevel[7];

    // Lamp controller 2.
    uint16_t WheelPos[3]; // colour-wheel position per channel
    uint16_t Photocell;

    // LCD and LDD. Image-adjust items 7 and 8 hold 0 when switched on.
    bool WobbleOn;
    uint16_t Wobble;                            // 0..359
    uint8_t WobbleAction;                       // last WobbleControl index 1..4; 0 before the first
    uint16_t Gamma[kGammaTables][kGammaValues]; // 0..0xFFF
    uint8_t Uniform[kUniformTables][kUniformBytes]; // cell (x, y) at y * 25 + x

    // LCD.
    uint8_t ColorWheel;    // last colour-wheel action, 0..9
    int ColorWheelActions; // count of ColorWheelControl commands

    // LDD.
    uint8_t Carrier;      // position 1 or 2
    int FocusPosition;    // sum of every focus move
    int FocusMoves;       // count of MoveFocus commands
    uint16_t Position[2]; // stored positions 1..2, 0..9999
    int RepeatModes;      // count of SetRepeatMode commands
};

// How a model writes its image-adjust values: the number base (10 or 16) of their three
// digits and the upper limit of each item 1..8.
struct ImageAdjustFormat {
    int Base;
    int Max[8];
};

class FrameControlSim : public FramedProtocolSim {
public:
    static constexpr char kStatusIdle = '0';
    static constexpr char kStatusBusy = '2';
    static constexpr char kStatusMoving = '6';

    ~FrameControlSim() override;

    FrameControlState State() const;
    // Serial codes shorter than 16 characters are padded with spaces; gamma values above
    // 0xFFF are taken as 0xFFF.
    void SetState(const FrameControlState& state);

protected:
    using Ms = std::chrono::milliseconds;

    // Serial codes start as `serialPrefix` followed by the code's number, 16 characters in all.
    FrameControlSim(char modelLetter, const char* identity, const char* serialPrefix,
                    const ImageAdjustFormat& imageAdjust);

    // params[0] is `first` + slot for the 0-based slots 0..count-1: '1' for channels 1..3,
    // '0' for indexes counted from 1 but sent from '0'.
    static bool Slot(const Params& p, char first, int count, int& slot);

    // Handlers of commands that read or write one element of a state field, the value as
    // `Digits` decimal digits. params[0] names the element: a channel '1'..'3' (…Channel) or
    // an index from '0' (…Index); a write's digits follow it.
    template <auto Field, int Digits> Refusal ReadChannel(const Params& p, std::string& data)
    {
        return ReadValue(p, '1', m_State.*Field, Digits, data);
    }
    template <auto Field, int Digits> Refusal WriteChannel(const Params& p, std::string&)
    {
        return WriteValue(p, '1', m_State.*Field, Digits);
    }
    template <auto Field, int Digits> Refusal ReadIndex(const Params& p, std::string& data)
    {
        return ReadValue(p, '0', m_State.*Field, Digits, data);
    }
    template <auto Field, int Digits> Refusal WriteIndex(const Params& p, std::string&)
    {
        return WriteValue(p, '0', m_State.*Field, Digits);
    }

    // Jobs. `kind` tells jobs apart for models that ask what runs; exposures are
    // kExposureJob. Call with m_StateMutex held.
    static constexpr int kExposureJob = 0;
    // Starts a job of `duration` whose first `moving` answer status '6'; both are scaled by
    // the time scale.
    void StartJob(Ms duration, Ms moving = Ms(0), int kind = kExposureJob);
    // Fraction of the running job done, in [0, 1); false when no job runs.
    bool JobFraction(double& fraction) const;
    int JobKind() const { return m_Job.Kind; }

    char CurrentStatus(char& progress) override;

    // Handlers of commands several models have, for their command tables.
    Refusal SetChannel(const Params& p, std::string& data);
    Refusal InputSelect(const Params& p, std::string& data);
    // Sets an LED level: selector params[0] '0'..count-1, then the level as two digits.
    Refusal SetLedLevel(const Params& p, int count);

    static constexpr size_t kSerialLength = 16;

    FrameControlState m_State; // guarded by m_StateMutex

private:
    struct Job {
        bool Running = false;
        int Kind = kExposureJob;
        Clock::time_point Start{};
        Clock::time_point MovingUntil{};
        Clock::time_point End{};
    };

    Refusal Expose(const Params& p, std::string& data);
    Refusal GetSerialCode(const Params& p, std::string& data);
    Refusal SetSerialCode(const Params& p, std::string& data);
    Refusal GetImageAdjust(const Params& p, std::string& data);
    Refusal SetImageAdjust(const Params& p, std::string& data);
    Refusal FormatData(const Params& p, std::string& data);
    Refusal DataOperator(const Params& p, std::string& data);

    // The element of `values` that params[0] names (see Slot) as `digits` decimal digits;
    // and setting it from the digits that follow.
    template <class T, size_t N>
    static Refusal ReadValue(const Params& p, char first, const T (&values)[N], int digits,
                             std::string& data);
    template <class T, size_t N>
    static Refusal WriteValue(const Params& p, char first, T (&values)[N], size_t digits);

    bool JobFractionAt(Clock::time_point now, double& fraction) const;
    // Copies a serial code of up to 16 characters, padded with spaces.
    static void CopySerial(char (&to)[17], const char* from);

    const ImageAdjustFormat m_ImageAdjust;
    Job m_Job;
};

template <class T, size_t N>
FrameControlSim::Refusal FrameControlSim::ReadValue(const Params& p, char first,
                                                    const T (&values)[N], int digits,
                                                    std::string& data)
{
    int slot = 0;
    if (!Slot(p, first, static_cast<int>(N), slot)) return Refusal::OutOfRange;
    data = Decimal(values[slot], digits);
    return Refusal::None;
}

template <class T, size_t N>
FrameControlSim::Refusal FrameControlSim::WriteValue(const Params& p, char first, T (&values)[N],
                                                     size_t digits)
{
    int slot = 0, value = 0;
    if (!Slot(p, first, static_cast<int>(N), slot)) return Refusal::OutOfRange;
    if (!ParseDecimal(p, 1, digits, value)) return Refusal::Malformed;
    values[slot] = static_cast<T>(value);
    return Refusal::None;
}

} // namespace qlcos::sim
