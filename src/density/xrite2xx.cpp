// The X-Rite 2xx densitometer: identification, set-up, white calibration, and the "k0" /
// "r0" messages after which the reading is asked for and parsed.
#include "qlcos/density/xrite2xx.h"

#include "density/reading_text.h"
#include "platform/win32.h"

#include <cstring>

namespace {

// clang-format off
const unsigned char kIdentify[]      = {'V', 0x0D, 0x0A, '0'};
const unsigned char kSetUp1[]        = {'1', 'O', 'K', 0x0D, 0x0A};
const unsigned char kSetUp2[]        = {'3', 'P', 'B', 0x0D, 0x0A};
const unsigned char kQueryFlag20[]   = {'2', '0', 'C', 'F', 0x0D, 0x0A};
const unsigned char kSetFlag20[]     = {'0', '2', '2', '0', 'C', 'F', 0x0D, 0x0A};
const unsigned char kQueryFlag22[]   = {'2', '2', 'C', 'F', 0x0D, 0x0A};
const unsigned char kSetFlag22[]     = {'0', '4', '2', '2', 'C', 'F', 0x0D, 0x0A};
const unsigned char kCalibrate[]     = {'1', 'C', 'A', 0x0D, 0x0A};
const unsigned char kSendReading[]   = {'0', 'S', 'R', 0x0D};
// clang-format on

constexpr char kIdentity[] = "X-Rite DTP22";
constexpr int kIdentityLength = 12;
constexpr int kReplyBytes = 128;
constexpr int kFlagReplyBytes = 20;
constexpr int kMinReadingReply = 20;
constexpr DWORD kResponseTimeOutMs = 1000;

constexpr uint32_t kIdle = 0;
constexpr uint32_t kAnnounced = 1;
constexpr uint32_t kReadingReady = 3;
constexpr uint32_t kCalibrating = 4;
constexpr uint32_t kNewReadingBit = 2;

// True when the first `length` bytes of `text` hold `what` (two characters).
bool Contains(const unsigned char* text, int length, const char (&what)[3])
{
    for (int i = 0; i + 1 < length; ++i) {
        if (text[i] == static_cast<unsigned char>(what[0]) &&
            text[i + 1] == static_cast<unsigned char>(what[1]))
            return true;
    }
    return false;
}

// The length of the text in the first `count` bytes of `bytes` (up to a NUL).
int TextLength(const unsigned char* bytes, int count)
{
    int n = 0;
    while (n < count && bytes[n] != 0) ++n;
    return n;
}

} // namespace

CXRite2xx::CXRite2xx() : CZanXRiteDevice(ZT("X-Rite 2xx"), 0x0D, ZAN_XRITE2XX_FAILED) {}

CXRite2xx::~CXRite2xx() { Destroy(); }

int CXRite2xx::IsXRite2xx()
{
    SetWaitResponse(0);
    Send(kIdentify, sizeof kIdentify, this);
    Pause(500);
    // The first answer is thrown away with the pool.
    BeginExchange();
    SetWaitTimeOut(kResponseTimeOutMs);
    unsigned char reply[kReplyBytes] = {};
    int n = 0;
    if (!zanFailed(Send(kIdentify, sizeof kIdentify, this))) n = GetPoolData(reply, kReplyBytes);
    EndExchange();
    return n >= kIdentityLength && std::memcmp(reply, kIdentity, kIdentityLength) == 0 ? TRUE
                                                                                       : FALSE;
}

void CXRite2xx::OnInitCtrl()
{
    BeginExchange(false);
    // Sends a flag query and, when the instrument reports another value than `wanted`, the
    // command that sets it. The pool is emptied first, so that what is compared is the
    // reply to this query, not an earlier answer or a line's beginning left there.
    auto ensureFlag = [this](const unsigned char(&query)[6], const unsigned char(&set)[8],
                             const char(&wanted)[3]) {
        ClearPool();
        unsigned char reply[kFlagReplyBytes] = {};
        if (zanFailed(Send(query, sizeof query, this))) return;
        const int n = GetPoolData(reply, kFlagReplyBytes);
        if (n < 2 || reply[0] != wanted[0] || reply[1] != wanted[1]) Send(set, sizeof set, this);
    };
    if (!zanFailed(Send(kSetUp1, sizeof kSetUp1, this))) {
        Pause(10);
        if (!zanFailed(Send(kSetUp2, sizeof kSetUp2, this))) {
            Pause(10);
            ensureFlag(kQueryFlag20, kSetFlag20, "02");
            Pause(10);
            ensureFlag(kQueryFlag22, kSetFlag22, "04");
            Pause(20);
        }
    }
    // Also after a failed send: left on, every message would be taken for a reply.
    EndExchange();
}

uint32_t CXRite2xx::IsGetNewDensity() { return GetState() & kNewReadingBit; }

ZanResult CXRite2xx::GetDensity()
{
    if (GetState() != kReadingReady) return ZAN_XRITE2XX_FAILED;
    BeginExchange();
    SetWaitTimeOut(kResponseTimeOutMs);
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        ClearBuffer();
    }
    unsigned char reply[kReceiveBufferSize];
    int n = 0;
    if (!zanFailed(Send(kSendReading, sizeof kSendReading, this)))
        n = GetPoolData(reply, kReceiveBufferSize);
    const ZanResult result = TakeReading(reply, n);
    EndExchange();
    return result;
}

ZanResult CXRite2xx::TakeReading(const unsigned char* reply, int n)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    ClearBuffer();
    std::memcpy(m_Buffer, reply, static_cast<size_t>(n));
    m_Length = n;
    if (TextLength(m_Buffer, m_Length) < kMinReadingReply) return ZAN_XRITE2XX_FAILED;
    // Parsed into a copy: a reply without any value is no reading and changes nothing.
    tagDensityInfo parsed = m_LastReading;
    if (qlcos::density::ParseReading(m_Buffer, m_Length, qlcos::density::kLowerCaseLetters,
                                     parsed) == 0)
        return ZAN_XRITE2XX_FAILED;
    m_LastReading = parsed;
    ClearBuffer();
    m_State = kIdle;
    return 0;
}

ZanResult CXRite2xx::SendCmdGetDensity(tagDensityInfo* reading)
{
    if (!reading) return ZAN_XRITE2XX_FAILED;
    if (!Pause(200)) return ZAN_XRITE2XX_FAILED; // cancelled
    if (zanFailed(GetDensity())) return ZAN_XRITE2XX_FAILED;
    *reading = GetLastReading();
    MessageBeep(0xFFFFFFFF);
    return 0;
}

ZanResult CXRite2xx::SendCmdWhiteCalibrate()
{
    BeginExchange();
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_State = kCalibrating;
    }
    const ZanResult result = Send(kCalibrate, sizeof kCalibrate, this);
    Pause(200);
    // A "k0" that came while the command waited ends the calibration now.
    EndExchange();
    return result;
}

tagDensityInfo CXRite2xx::GetLastReading() const
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_LastReading;
}

bool CXRite2xx::OnFrame()
{
    if (Contains(m_Buffer, m_Length, "k0")) {
        m_State = m_State == kCalibrating ? kIdle : kAnnounced;
        return false;
    }
    if (Contains(m_Buffer, m_Length, "r0") && m_State == kAnnounced) {
        m_State = kReadingReady;
        return true;
    }
    return false;
}
