// Little-endian reading and writing of configuration blobs, field by field, so that a blob
// has the same bytes whatever the host's byte order and structure packing.
#pragma once

#include "qlcos/config.h"

#include <cstring>

namespace qlcos::blob {

class Writer {
public:
    explicit Writer(unsigned char* data) : m_At(data) {}
    Writer& U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i) *m_At++ = static_cast<unsigned char>(v >> (8 * i));
        return *this;
    }
    Writer& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
    Writer& U16(uint16_t v)
    {
        *m_At++ = static_cast<unsigned char>(v);
        *m_At++ = static_cast<unsigned char>(v >> 8);
        return *this;
    }
    Writer& F32(float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return U32(bits);
    }
    Writer& Head(const tagZanConfigHead& h) { return U32(h.Magic).U32(h.Size).U32(h.HeadSize); }
    Writer& Port(const tagZANSerialPortProperty& p)
    {
        return I32(p.Port)
            .I32(p.Second)
            .I32(p.BaudRate)
            .I32(p.DataBits)
            .I32(p.Reserved1)
            .I32(p.Reserved2);
    }
    unsigned char* Position() const { return m_At; }

private:
    unsigned char* m_At;
};

class Reader {
public:
    explicit Reader(const unsigned char* data) : m_At(data) {}
    uint32_t U32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(*m_At++) << (8 * i);
        return v;
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    uint16_t U16()
    {
        uint16_t v = static_cast<uint16_t>(m_At[0] | (m_At[1] << 8));
        m_At += 2;
        return v;
    }
    float F32()
    {
        uint32_t bits = U32();
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    }
    tagZanConfigHead Head()
    {
        tagZanConfigHead h;
        h.Magic = U32();
        h.Size = U32();
        h.HeadSize = U32();
        return h;
    }
    tagZANSerialPortProperty Port()
    {
        tagZANSerialPortProperty p;
        p.Port = I32();
        p.Second = I32();
        p.BaudRate = I32();
        p.DataBits = I32();
        p.Reserved1 = I32();
        p.Reserved2 = I32();
        return p;
    }
    const unsigned char* Position() const { return m_At; }

private:
    const unsigned char* m_At;
};

} // namespace qlcos::blob
