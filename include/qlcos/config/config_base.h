// The configuration record base: the blob header and the operations every record offers.
#pragma once

#include "qlcos/types.h"

// The 12-byte header at the start of every configuration blob (little-endian words).
struct tagZanConfigHead {
    uint32_t Magic;    // the record's identifier
    uint32_t Size;     // total size of the blob, header included
    uint32_t HeadSize; // 12
};
static_assert(sizeof(tagZanConfigHead) == 12, "configuration blob header is 12 bytes");
static_assert(offsetof(tagZanConfigHead, Size) == 4, "blob size at offset 4");
static_assert(offsetof(tagZanConfigHead, HeadSize) == 8, "header size at offset 8");

// Base of every configuration record: a record identifier (the blob's magic) and a second
// word, both copied with the record, and the operations a record offers in blob and INI
// form. The base itself is a record without data: its blob is the bare header.
class QLCOS_API CZanConfig {
public:
    // Identifier of records that do not name their own; bytes "CNFG" in a blob.
    static constexpr uint32_t kDefaultIdentifier = 0x47464E43;
    static constexpr uint32_t kHeadSize = 12;

    CZanConfig();
    explicit CZanConfig(uint32_t identifier);
    CZanConfig(const CZanConfig& other);
    CZanConfig& operator=(const CZanConfig& other);
    virtual ~CZanConfig();

    // Nothing to set up or release in the base; both return 1.
    virtual int Create();
    virtual int Destroy();
    // InitData; returns 1.
    virtual int Initialize();
    // Size of the record's blob, header included.
    virtual uint32_t GetSize() const;
    // Sets the record to its defaults.
    virtual void InitData();
    // Reads a blob written by SaveConfig; returns GetSize of the loaded record. The blob is
    // not validated: check it with IsValidData first. 0 for a null buffer.
    virtual uint32_t LoadConfig(const unsigned char* data);
    // Writes the blob (GetSize bytes); returns the byte count, 0 for a null buffer.
    virtual uint32_t SaveConfig(unsigned char* data);
    // Copies the record's data (without header) to `data`; the result is the record's own.
    virtual int GetData(void* data) const;
    // Makes this record a copy of `other`, which must be a record of the same class;
    // 1 on success, 0 when `other` is null or of another class.
    virtual int Copy(CZanConfig* other);
    // Nonzero when `data` starts with a header of this record: its identifier, the header
    // size GetHeadSize and a total size of at least the header.
    virtual int IsValidData(const unsigned char* data) const;
    // The base has no INI form: both do nothing and return 0.
    virtual int ImportINIFile(const ZanWChar* path);
    virtual int ExportINIFile(const ZanWChar* path);
    virtual uint32_t GetHeadSize() const;
    // Fills the record's own header (magic, GetSize, GetHeadSize); the base has none.
    virtual void FillHead();

    uint32_t GetIdentifier() const { return m_dwIdentifier; }

protected:
    // The shared header rule: magic = identifier, size = GetSize, header size = GetHeadSize.
    void FillHeadOf(tagZanConfigHead& head) const;

    uint32_t m_dwIdentifier;
    uint32_t m_dwReserved; // second word of the record, 0; kept and copied with the identifier
};
