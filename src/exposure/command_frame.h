// A request frame of the framed controllers, built on the stack from the constant template:
// STX, model letter, '0', command, parameter characters (all '0'), ETX, block check.
#pragma once

#include "qlcos/serial.h"

#include <cstring>

namespace qlcos::exposure {

const unsigned char STX = 0x02;
const unsigned char ETX = 0x03;

class CommandFrame {
public:
    // The longest frame of any model: a uniformity table, 1657 bytes.
    static const int kMaxBytes = 1664;

    CommandFrame(char letter, unsigned char command, int parameterChars)
        : m_length(parameterChars + 6)
    {
        m_bytes[0] = STX;
        m_bytes[1] = static_cast<unsigned char>(letter);
        m_bytes[2] = '0';
        m_bytes[3] = command;
        std::memset(m_bytes + 4, '0', static_cast<size_t>(parameterChars));
        m_bytes[m_length - 2] = ETX;
        m_bytes[m_length - 1] = '0';
    }

    // Parameter characters are numbered from 0 (frame byte 4).
    void Char(int index, unsigned char c) { m_bytes[4 + index] = c; }
    void Channel(int index, unsigned char channel)
    {
        Char(index, static_cast<unsigned char>('0' + channel));
    }
    // An index argument i travels as '0' + i − 1.
    void Index(int index, unsigned char i) { Char(index, static_cast<unsigned char>('0' + i - 1)); }
    void Dec2(int index, uint32_t v) { zanSplitDec(v, P(index), P(index + 1)); }
    void Dec3(int index, uint32_t v) { zanSplitDec(v, P(index), P(index + 1), P(index + 2)); }
    void Dec4(int index, uint32_t v)
    {
        zanSplitDec(v, P(index), P(index + 1), P(index + 2), P(index + 3));
    }
    void Hex2(int index, uint32_t v) { zanSplitHex(v, P(index), P(index + 1)); }
    // Three hexadecimal digits: the fourth, most significant one goes to a scratch byte.
    void Hex3(int index, uint32_t v)
    {
        unsigned char scratch;
        zanSplitHex(v, scratch, P(index), P(index + 1), P(index + 2));
    }

    // Writes the block check (XOR of the model letter up to ETX) and returns the bytes.
    unsigned char* Seal()
    {
        m_bytes[m_length - 1] = zanCheckXOR(m_bytes + 1, m_length - 2);
        return m_bytes;
    }
    int Length() const { return m_length; }

private:
    unsigned char& P(int index) { return m_bytes[4 + index]; }

    unsigned char m_bytes[kMaxBytes];
    int m_length;
};

} // namespace qlcos::exposure
