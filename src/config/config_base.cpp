// The configuration record base: identifier, blob header and the default operations.
#include "qlcos/config.h"

#include "config/config_blob.h"

#include <typeinfo>
#include <vector>

CZanConfig::CZanConfig() : CZanConfig(kDefaultIdentifier) {}

CZanConfig::CZanConfig(uint32_t identifier) : m_dwIdentifier(identifier), m_dwReserved(0) {}

CZanConfig::CZanConfig(const CZanConfig& other) = default;

CZanConfig& CZanConfig::operator=(const CZanConfig& other) = default;

CZanConfig::~CZanConfig() = default;

int CZanConfig::Create() { return 1; }

int CZanConfig::Destroy() { return 1; }

int CZanConfig::Initialize()
{
    InitData();
    return 1;
}

uint32_t CZanConfig::GetSize() const { return GetHeadSize(); }

void CZanConfig::InitData() {}

uint32_t CZanConfig::LoadConfig(const unsigned char* data) { return data ? GetSize() : 0; }

uint32_t CZanConfig::SaveConfig(unsigned char* data)
{
    if (!data) return 0;
    FillHead();
    tagZanConfigHead head;
    FillHeadOf(head);
    qlcos::blob::Writer(data).Head(head);
    return GetSize();
}

int CZanConfig::GetData(void* /*data*/) const { return 0; }

int CZanConfig::Copy(CZanConfig* other)
{
    if (!other) return 0;
    if (other == this) return 1;
    if (typeid(*other) != typeid(*this)) return 0;
    // A record of the same class: its blob carries everything it holds.
    std::vector<unsigned char> blob(other->GetSize());
    if (blob.empty()) return 0;
    if (other->SaveConfig(blob.data()) != blob.size()) return 0;
    LoadConfig(blob.data());
    m_dwIdentifier = other->m_dwIdentifier;
    m_dwReserved = other->m_dwReserved;
    return 1;
}

int CZanConfig::IsValidData(const unsigned char* data) const
{
    if (!data) return 0;
    tagZanConfigHead head = qlcos::blob::Reader(data).Head();
    return head.Magic == m_dwIdentifier && head.HeadSize == GetHeadSize() &&
           head.Size >= head.HeadSize;
}

int CZanConfig::ImportINIFile(const ZanWChar* /*path*/) { return 0; }

int CZanConfig::ExportINIFile(const ZanWChar* /*path*/) { return 0; }

uint32_t CZanConfig::GetHeadSize() const { return kHeadSize; }

void CZanConfig::FillHead() {}

void CZanConfig::FillHeadOf(tagZanConfigHead& head) const
{
    head.Magic = m_dwIdentifier;
    head.Size = GetSize();
    head.HeadSize = GetHeadSize();
}
