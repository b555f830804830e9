// Reads a fuzz input front to back; past its end every read gives zeros or nothing.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qlcos::fuzz {

class ByteSource {
public:
    ByteSource(const uint8_t* data, size_t size) : m_Data(data), m_Size(size) {}

    bool Empty() const { return m_At >= m_Size; }
    uint8_t Byte() { return Empty() ? 0 : m_Data[m_At++]; }
    uint16_t Word() { return static_cast<uint16_t>(Byte() << 8 | Byte()); }
    // Up to `count` bytes, fewer when the input ends first.
    std::vector<unsigned char> Bytes(size_t count)
    {
        const size_t n = std::min(count, m_Size - std::min(m_At, m_Size));
        std::vector<unsigned char> bytes(m_Data + m_At, m_Data + m_At + n);
        m_At += n;
        return bytes;
    }

private:
    const uint8_t* m_Data;
    size_t m_Size;
    size_t m_At = 0;
};

} // namespace qlcos::fuzz
