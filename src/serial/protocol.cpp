// Protocols that decide when a received chunk ends a frame.
#include "qlcos/serial.h"

namespace {
std::atomic<uint32_t> g_nextIdentifier{1};
}

CZanProtocol::CZanProtocol() : m_dwIdentifier(g_nextIdentifier.fetch_add(1)) {}

CZanProtocol::~CZanProtocol() = default;

uint32_t CZanProtocol::GetIdentifier() const { return m_dwIdentifier; }

CZanProtocolEventChar::CZanProtocolEventChar() = default;

CZanProtocolEventChar::~CZanProtocolEventChar() = default;

void CZanProtocolEventChar::SetEventChar1Mode(int on) { m_EventChar1Mode = on ? 1 : 0; }

void CZanProtocolEventChar::SetEventChar2Mode(int on) { m_EventChar2Mode = on ? 1 : 0; }

int CZanProtocolEventChar::IsFrame(const unsigned char* data, int length)
{
    const bool use1 = m_EventChar1Mode.load() != 0;
    const bool use2 = m_EventChar2Mode.load() != 0;
    if (!data || (!use1 && !use2)) return 0;
    const unsigned char c1 = m_EventChar1.load();
    const unsigned char c2 = m_EventChar2.load();
    for (int i = 0; i < length; ++i) {
        if ((use1 && data[i] == c1) || (use2 && data[i] == c2)) return 1;
    }
    return 0;
}
