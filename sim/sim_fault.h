// A misbehaviour a simulator shows in place of one normal reply. The command itself is
// still carried out (the controller acted, its answer went wrong on the way back), so a
// host that retries sees the effect of each attempt.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace qlcos::sim {

struct Fault {
    enum class Kind {
        Silence,       // no reply at all
        GarbageBefore, // `bytes`, then the normal reply
        LengthDelta,   // `delta` data characters dropped (< 0) or '0's appended (> 0)
        ErrorDigits,   // the normal reply with error digits `digit1`, `digit2`
        Status,        // a poll reply with status character `status`
        Raw,           // exactly `bytes` instead of the reply
        CloseLine,     // the line is closed instead of answering
        NoBlockCheck,  // the normal reply without its block check byte
    };

    Kind kind = Kind::Silence;
    std::vector<uint8_t> bytes;
    int delta = 0;
    char digit1 = '0';
    char digit2 = '0';
    char status = '0';

    static Fault Silence() { return Fault(Kind::Silence); }
    static Fault GarbageBefore(std::vector<uint8_t> garbage)
    {
        Fault f(Kind::GarbageBefore);
        f.bytes = std::move(garbage);
        return f;
    }
    static Fault LengthDelta(int delta)
    {
        Fault f(Kind::LengthDelta);
        f.delta = delta;
        return f;
    }
    static Fault ErrorDigits(char d1, char d2)
    {
        Fault f(Kind::ErrorDigits);
        f.digit1 = d1;
        f.digit2 = d2;
        return f;
    }
    static Fault Status(char statusChar)
    {
        Fault f(Kind::Status);
        f.status = statusChar;
        return f;
    }
    static Fault Raw(std::vector<uint8_t> reply)
    {
        Fault f(Kind::Raw);
        f.bytes = std::move(reply);
        return f;
    }
    static Fault CloseLine() { return Fault(Kind::CloseLine); }
    static Fault NoBlockCheck() { return Fault(Kind::NoBlockCheck); }

private:
    explicit Fault(Kind k) : kind(k) {}
};

} // namespace qlcos::sim
