// The X-Rite 5xx densitometer: identification, white calibration and the reading lines it
// sends of its own accord.
#include "qlcos/density/xrite5xx.h"

#include "density/reading_text.h"
#include "platform/win32.h"

#include <cstring>

namespace {

// clang-format off
const unsigned char kIdentify[]   = {'S', 'V', 0x0D, 0x0A, 0x00};
const unsigned char kCalibrate1[] = {'0', '1', '2', '0', 'C', 'F', 0x0D, 0x0A};
const unsigned char kCalibrate2[] = {'C', 'R', 0x0D, 0x0A};
const unsigned char kCalibrate3[] = {'0', '0', '2', '0', 'C', 'F', 0x0D, 0x0A};
// clang-format on

constexpr char kIdentity[] = "X-Rite 504";
constexpr int kIdentityLength = 10;
constexpr int kReplyBytes = 128;
constexpr DWORD kResponseTimeOutMs = 1000;

constexpr uint32_t kIdle = 0;
constexpr uint32_t kReadingWaits = 2;
constexpr uint32_t kCalibrating = 4;

} // namespace

CXRite5xx::CXRite5xx() : CZanXRiteDevice(ZT("X-Rite 5xx"), 0x0A, ZAN_XRITE5XX_FAILED)
{
    SetAttemptCount(3);
}

CXRite5xx::~CXRite5xx() { Destroy(); }

int CXRite5xx::IsXRite5xx()
{
    BeginExchange();
    SetWaitTimeOut(kResponseTimeOutMs);
    bool identified = false;
    for (int attempt = 0; attempt < GetAttemptCount() && !identified; ++attempt) {
        // Whatever an earlier attempt left (noise, a wrong answer) would stand before this
        // attempt's reply and hide it.
        if (attempt > 0) ClearPool();
        unsigned char reply[kReplyBytes] = {};
        Send(kIdentify, sizeof kIdentify, this);
        const int n = GetPoolData(reply, kReplyBytes);
        identified = n >= kIdentityLength && std::memcmp(reply, kIdentity, kIdentityLength) == 0;
    }
    SetWaitResponse(0);
    return identified ? TRUE : FALSE;
}

int CXRite5xx::IsGetNewDensity() { return static_cast<int>(GetState() & kReadingWaits); }

ZanResult CXRite5xx::SendCmdGetDensity(tagDensityInfo* reading)
{
    if (!reading) return ZAN_XRITE5XX_FAILED;
    std::lock_guard<std::mutex> lock(m_Lock);
    if (m_Length == 0 || m_Buffer[0] == 0) return ZAN_XRITE5XX_NO_READING;
    SetWaitResponse(0);
    qlcos::density::ParseReading(m_Buffer, m_Length, qlcos::density::kUpperCaseLetters, *reading);
    ClearBuffer();
    m_State = kIdle;
    return 0;
}

ZanResult CXRite5xx::SendCmdWhiteCalibrate()
{
    BeginExchange();
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_State = kCalibrating;
    }
    // A Cancel skips the pauses and the white measurement, but the last step is always
    // sent: it takes the instrument out of its calibration mode again.
    Send(kCalibrate1, sizeof kCalibrate1, this);
    bool whole = Pause(2000);
    if (whole) {
        Send(kCalibrate2, sizeof kCalibrate2, this);
        whole = Pause(5000);
    }
    ZanResult result = Send(kCalibrate3, sizeof kCalibrate3, this);
    if (whole) whole = Pause(100);
    if (!whole && !zanFailed(result)) result = ZAN_COM_ERR_CANCELLED;
    // Lines that came during the calibration are taken while the state still says so:
    // they are not announced as readings.
    EndExchange();
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_State = kIdle;
    }
    return result;
}

bool CXRite5xx::OnFrame()
{
    if (m_State == kCalibrating) return false;
    m_State = kReadingWaits;
    return true;
}
