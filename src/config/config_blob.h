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
    Writer& F64(double v)
    {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        return U32(static_cast<uint32_t>(bits)).U32(static_cast<uint32_t>(bits >> 32));
    }
    // `count` UTF-16 characters of a fixed-size text field, each as a 16-bit word.
    Writer& Chars(const ZanWChar* text, size_t count)
    {
        for (size_t i = 0; i < count; ++i) U16(static_cast<uint16_t>(text[i]));
        return *this;
    }
    Writer& Bytes(const uint8_t* bytes, size_t count)
    {
        std::memcpy(m_At, bytes, count);
        m_At += count;
        return *this;
    }
    Writer& Zeros(size_t count)
    {
        std::memset(m_At, 0, count);
        m_At += count;
        return *this;
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
    double F64()
    {
        uint64_t bits = U32();
        bits |= static_cast<uint64_t>(U32()) << 32;
        double v;
        std::memcpy(&v, &bits, 8);
        return v;
    }
    void Chars(ZanWChar* text, size_t count)
    {
        for (size_t i = 0; i < count; ++i) text[i] = static_cast<ZanWChar>(U16());
    }
    void Skip(size_t count) { m_At += count; }
    void Bytes(uint8_t* bytes, size_t count)
    {
        std::memcpy(bytes, m_At, count);
        m_At += count;
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

// The total size that a blob's header states (its second word).
inline uint32_t StatedSize(const unsigned char* data) { return Reader(data + 4).U32(); }

// Bounds for loading a blob that may be corrupt: the bytes a record's content needs are
// added up and compared with the size the blob may span before anything is read. Sums are
// 64-bit, so no count can wrap them.
class Extent {
public:
    explicit Extent(uint64_t limit) : m_Limit(limit) {}
    // Counts `count` items of `size` bytes more; false once they pass the limit.
    bool Take(uint64_t count, uint64_t size)
    {
        if (count > m_Limit || size * count > m_Limit - m_Used) return false;
        m_Used += size * count;
        return true;
    }
    uint64_t Used() const { return m_Used; }
    uint64_t Left() const { return m_Limit - m_Used; }

private:
    uint64_t m_Limit;
    uint64_t m_Used = 0;
};

// A list record's blob opened for loading: the header and the entry count read, with the
// total size the header states known to lie within 16..available. Nothing past that size
// is read.
struct ListBlob {
    static constexpr uint32_t kEntries = 16; // the entries follow the header and the count

    tagZanConfigHead Head{};
    uint32_t Count = 0;
    uint32_t Size = 0;

    // Reads the header and the count; false for null data or a stated size outside
    // 16..available.
    bool Open(const unsigned char* data, uint32_t available)
    {
        if (!data || available < kEntries) return false;
        Size = StatedSize(data);
        if (Size < kEntries || Size > available) return false;
        Reader r(data);
        Head = r.Head();
        Count = r.U32();
        return true;
    }
    // Whether Count entries of at least `entrySize` bytes each fit behind the count.
    bool Fits(uint64_t entrySize) const { return Extent(Size - kEntries).Take(Count, entrySize); }
};

} // namespace qlcos::blob
