// A misbehaviour a framed controller simulator shows in place of one normal reply. The
// command itself is still carried out (the controller acted, its answer went wrong on the
// way back), so a host that retries sees the effect of each attempt.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace qlcos::sim {

struct Fault {
    using ByteList = std::vector<uint8_t>;

    enum class Kind {
        Silence,       // no reply at all
        GarbageBefore, // `Bytes`, then the normal reply
        LengthDelta,   // `Delta` data characters dropped (< 0) or '0's appended (> 0)
        ErrorDigits,   // the normal reply with error digits `Digit1`, `Digit2`
        Status,        // a poll reply with status character `StatusChar`
        Raw,           // exactly `Bytes` instead of the reply
        CloseLine,     // the line is closed instead of answering
        NoBlockCheck,  // the normal reply without its block check byte
        Late,          // the normal reply, `Delta` milliseconds late
    };

    Kind Type = Kind::Silence;
    ByteList Bytes;
    int Delta = 0;
    char Digit1 = '0';
    char Digit2 = '0';
    char StatusChar = '0';

    static Fault Silence() { return {Kind::Silence}; }
    static Fault GarbageBefore(ByteList bytes) { return {Kind::GarbageBefore, std::move(bytes)}; }
    static Fault LengthDelta(int delta) { return {Kind::LengthDelta, {}, delta}; }
    static Fault ErrorDigits(char d1, char d2) { return {Kind::ErrorDigits, {}, 0, d1, d2}; }
    static Fault Status(char statusChar) { return {Kind::Status, {}, 0, '0', '0', statusChar}; }
    static Fault Raw(ByteList reply) { return {Kind::Raw, std::move(reply)}; }
    static Fault CloseLine() { return {Kind::CloseLine}; }
    static Fault NoBlockCheck() { return {Kind::NoBlockCheck}; }
    static Fault Late(int milliseconds) { return {Kind::Late, {}, milliseconds}; }

private:
    Fault(Kind k, ByteList b = {}, int delta = 0, char d1 = '0', char d2 = '0', char status = '0')
        : Type(k), Bytes(std::move(b)), Delta(delta), Digit1(d1), Digit2(d2), StatusChar(status)
    {}
};

} // namespace qlcos::sim
