// Request frames built from command rows, and the numbers read from replies.
#include "exposure/command_frame.h"

#include "qlcos/serial.h"

#include <cstring>

namespace qlcos::exposure {

namespace {

// Every frame of a table fits the frame buffer.
template <typename Id, size_t N>
constexpr bool FitFrames(const Command<Id> (&table)[N], int overhead)
{
    for (const Command<Id>& row : table) {
        int bytes = overhead;
        for (const Param& p : row.Params) bytes += p.Width * p.Count;
        if (bytes > CommandFrame::kMaxBytes) return false;
    }
    return true;
}

// STX, model letter, '0', command, ETX, block check; STX, command, ETX.
constexpr int kFramedOverhead = 6;
constexpr int kLampOverhead = 3;
static_assert(FitFrames(kFramedCommands, kFramedOverhead), "a framed command outgrows the frame");
static_assert(FitFrames(kLampCommands, kLampOverhead), "a lamp command outgrows the frame");

// Bytes a frame may carry between STX and ETX besides its fixed characters: printable ASCII.
bool IsPrintable(uint64_t c) { return c >= 0x20 && c <= 0x7E; }

// `value` as the last `width` of four digits the framework's number functions write, most
// significant first: a shorter field drops the leading digits.
void WriteDigits(Field kind, int width, uint32_t value, unsigned char* at)
{
    unsigned char d[4];
    if (kind == Field::Dec)
        zanSplitDec(value, d[0], d[1], d[2], d[3]);
    else
        zanSplitHex(value, d[0], d[1], d[2], d[3]);
    std::memcpy(at, d + 4 - width, static_cast<size_t>(width));
}

// The value of hexadecimal digit `c` of either case; -1 for any other byte.
int HexDigitValue(unsigned char c)
{
    if (IsDecimalDigit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

bool NumberAt(const unsigned char* reply, const Value& at, int& value)
{
    const unsigned char* r = reply + at.At;
    uint32_t number = 0;
    for (int i = 0; i < at.Width; ++i) {
        int digit = -1;
        switch (at.Kind) {
        case Digits::None: return false;
        case Digits::Digit:
        case Digits::Dec: digit = IsDecimalDigit(r[i]) ? r[i] - '0' : -1; break;
        case Digits::Hex: digit = HexDigitValue(r[i]); break;
        }
        if (digit < 0) return false;
        number = number * (at.Kind == Digits::Hex ? 16u : 10u) + static_cast<uint32_t>(digit);
    }
    if (at.Kind == Digits::None || number < at.Min || number > at.Max) return false;
    value = static_cast<int>(number);
    return true;
}

CommandFrame::CommandFrame(unsigned char command, const Param* params, int paramCount,
                           char modelLetter)
    : m_Params(params), m_ParamCount(paramCount), m_BlockCheck(modelLetter != 0)
{
    m_Bytes[m_Length++] = STX;
    if (m_BlockCheck) {
        m_Bytes[m_Length++] = static_cast<unsigned char>(modelLetter);
        m_Bytes[m_Length++] = '0';
    }
    m_Bytes[m_Length++] = command;
    m_At = m_Length;
    for (int i = 0; i < m_ParamCount && m_Params[i].Width > 0; ++i) {
        const Param& p = m_Params[i];
        const unsigned char fill = p.Kind == Field::Fixed ? p.Fixed : '0';
        for (int n = p.Width * p.Count; n > 0; --n) m_Bytes[m_Length++] = fill;
    }
    m_Bytes[m_Length++] = ETX;
    if (m_BlockCheck) m_Bytes[m_Length++] = '0';
}

bool CommandFrame::NextArgumentField()
{
    if (m_Field >= 0 && m_Written < m_Params[m_Field].Count) return true;
    for (++m_Field; m_Field < m_ParamCount && m_Params[m_Field].Width > 0; ++m_Field) {
        const Param& p = m_Params[m_Field];
        if (p.Kind != Field::Fixed) {
            m_Written = 0;
            return true;
        }
        m_At += p.Width * p.Count; // fixed characters stand in the template already
    }
    return false;
}

void CommandFrame::Put(uint32_t value)
{
    // An argument beyond the row's fields is a fault of the caller: the frame is not sent.
    if (!NextArgumentField()) {
        m_InRange = false;
        return;
    }
    const Param& p = m_Params[m_Field];
    unsigned char* at = m_Bytes + m_At;
    m_At += p.Width;
    ++m_Written;
    if (value < p.Min || value > p.Max) {
        m_InRange = false;
        return;
    }
    // A single character is worked out before it is narrowed to a byte, so that a selector
    // such as channel 211 ('0' + 211 = 0x103) cannot wrap round to ETX.
    uint64_t character = 0;
    switch (p.Kind) {
    case Field::Switch: character = static_cast<unsigned char>(value ? p.Fixed : p.Off); break;
    case Field::Char: character = value; break;
    case Field::Channel: character = uint64_t{'0'} + value; break;
    case Field::Index: character = uint64_t{'0'} + value - 1; break;
    case Field::Dec:
    case Field::Hex: WriteDigits(p.Kind, p.Width, value, at); return;
    case Field::Fixed: return;
    }
    if (!IsPrintable(character)) {
        m_InRange = false;
        return;
    }
    at[0] = static_cast<unsigned char>(character);
}

unsigned char* CommandFrame::Seal()
{
    // The block check: XOR of the model letter up to and including ETX.
    if (m_BlockCheck) m_Bytes[m_Length - 1] = zanCheckXOR(m_Bytes + 1, m_Length - 2);
    return m_Bytes;
}

} // namespace qlcos::exposure
