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

} // namespace

int NumberAt(const unsigned char* reply, const Value& at)
{
    const unsigned char* r = reply + at.At;
    switch (at.Kind) {
    case Digits::None: return 0;
    case Digits::Digit: return r[0] - '0';
    case Digits::Dec:
        switch (at.Width) {
        case 2: return zanCombineDec(r[0], r[1]);
        case 3: return zanCombineDec(r[0], r[1], r[2]);
        default: return zanCombineDec(r[0], r[1], r[2], r[3]);
        }
    case Digits::Hex:
        switch (at.Width) {
        case 2: return zanCombineHex(r[0], r[1]);
        // Three digits: a 0 stands in for the missing most significant one.
        case 3: return zanCombineHex(0, r[0], r[1], r[2]);
        default: return zanCombineHex(r[0], r[1], r[2], r[3]);
        }
    }
    return 0;
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
    switch (p.Kind) {
    case Field::Switch: at[0] = static_cast<unsigned char>(value ? p.Fixed : p.Off); break;
    case Field::Char: at[0] = static_cast<unsigned char>(value); break;
    case Field::Channel: at[0] = static_cast<unsigned char>('0' + value); break;
    case Field::Index: at[0] = static_cast<unsigned char>('0' + value - 1); break;
    case Field::Dec:
    case Field::Hex: WriteDigits(p.Kind, p.Width, value, at); break;
    case Field::Fixed: break;
    }
}

unsigned char* CommandFrame::Seal()
{
    // The block check: XOR of the model letter up to and including ETX.
    if (m_BlockCheck) m_Bytes[m_Length - 1] = zanCheckXOR(m_Bytes + 1, m_Length - 2);
    return m_Bytes;
}

} // namespace qlcos::exposure
