// A request frame built on the stack from its command row: the row's template (every
// parameter character '0', fixed characters in place), then the arguments written field by
// field and checked against the row's ranges.
#pragma once

#include "exposure/command_table.h"

#include <initializer_list>

namespace qlcos::exposure {

inline constexpr unsigned char STX = 0x02;
inline constexpr unsigned char ETX = 0x03;
inline constexpr unsigned char ACK = 0x06;
inline constexpr unsigned char NAK = 0x15;

// The number that `at` names in `reply` (decimal or hexadecimal digits, or one digit) into
// `value`: false, with `value` unchanged, when a character is not a digit of the field's base
// or the number lies outside the field's range.
bool NumberAt(const unsigned char* reply, const Value& at, int& value);
// True for a decimal digit character.
constexpr bool IsDecimalDigit(unsigned char c) { return c >= '0' && c <= '9'; }

class CommandFrame {
public:
    // The longest frame of any model: a uniformity table, 1657 bytes.
    static constexpr int kMaxBytes = 1664;

    // A framed request (STX, model letter, '0', command, parameters, ETX, block check) when
    // `modelLetter` is set; a first-generation one (STX, command, parameters, ETX) when 0.
    template <typename Id>
    CommandFrame(const Command<Id>& row, char modelLetter)
        : CommandFrame(row.Letter, row.Params, sizeof row.Params / sizeof row.Params[0],
                       modelLetter)
    {}

    // Writes the next argument into its field. An argument outside the field's range, or one
    // that would put a byte other than printable ASCII (0x20..0x7E) into the frame (a selector
    // that would become STX, ETX or NUL), is not written and makes the frame unusable
    // (InRange false).
    void Put(uint32_t value);
    void Put(std::initializer_list<uint32_t> values)
    {
        for (uint32_t value : values) Put(value);
    }
    bool InRange() const { return m_InRange; }

    // Completes the frame (its block check, when it has one) and returns its bytes.
    unsigned char* Seal();
    int Length() const { return m_Length; }

private:
    CommandFrame(unsigned char command, const Param* params, int paramCount, char modelLetter);
    // Moves to the next field that takes an argument; false when there is none.
    bool NextArgumentField();

    const Param* m_Params;
    int m_ParamCount;
    bool m_BlockCheck;
    bool m_InRange = true;
    int m_Length = 0;
    int m_Field = -1;  // the field written last
    int m_Written = 0; // values written into it
    int m_At = 0;      // where its next value goes
    unsigned char m_Bytes[kMaxBytes];
};

} // namespace qlcos::exposure
