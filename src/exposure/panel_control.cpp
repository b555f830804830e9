// The operations the LCD and LDD controllers share: shutter, wobble unit, gamma and
// uniformity tables, and image adjustment with hexadecimal values.
#include "qlcos/exposure.h"
#include "exposure/command_frame.h"

using qlcos::exposure::CommandFrame;

namespace {

const uint32_t kCommandTimeoutMs = 500;
const uint32_t kMotionWaitMs = 1000; // shutter and wobble actions
const uint32_t kGammaReadTimeoutMs = 5000;
const uint32_t kUniformReadTimeoutMs = 10000;

const int kGammaDigits = 3;   // per value
const int kUniformDigits = 2; // per byte
const int kDataStart = 7;     // first data character of a reply
// A reply is STX, four header bytes, two error digits, the data and ETX.
const uint32_t kEmptyReplyBytes = 8;
const uint32_t kGammaReplyBytes = kEmptyReplyBytes + CQPanelControl::kGammaValues * kGammaDigits;
const uint32_t kUniformReplyBytes =
    kEmptyReplyBytes + CQPanelControl::kUniformBytes * kUniformDigits;

const uint32_t kWobbleSettingReplyBytes = 9; // one character: '0' on, anything else off
const uint32_t kWobbleValueReplyBytes = 11;  // three decimal digits
const uint16_t kWobbleValueMax = 359;
const uint32_t kImageAdjustReplyBytes = 11;
const uint32_t kCellReplyBytes = 15; // index, x, y, then the cell as 2 hex digits
const int kCellDataAt = 12;

// Upper limits of image-adjust items 1..8; items 7 and 8 are switches held inverted.
const unsigned short kImageAdjustMax[9] = {0, 1023, 1023, 24, 24, 1023, 1023, 1, 1};
bool IsInvertedItem(unsigned char index) { return index == 7 || index == 8; }

} // namespace

CQPanelControl::CQPanelControl(const tagQFrameModel& model) : CQFrameControl(model) {}

ZanResult CQPanelControl::Fetch(unsigned char* frame, int length, uint32_t expected,
                                uint32_t timeoutMs)
{
    uint32_t count = 0;
    const ZanResult result = Exchange(frame, length, timeoutMs, &count);
    if (zanFailed(result)) return result;
    return count == expected ? 0 : ModelCode(QCTRL_BAD_LENGTH);
}

ZanResult CQPanelControl::CommandThenWait(unsigned char* frame, int length, uint32_t waitMs)
{
    const ZanResult result = Command(frame, length);
    if (zanFailed(result)) return result;
    return PollingStatus(waitMs);
}

// ---- Shutter and wobble unit ------------------------------------------------------------------

ZanResult CQPanelControl::ShutterControl(int open)
{
    const ZanResult result = QuerySelector('4', open ? '0' : '1', kEmptyReplyBytes);
    if (zanFailed(result)) return result;
    return PollingStatus(kMotionWaitMs);
}

ZanResult CQPanelControl::WobbleControl(unsigned char index)
{
    if (index < 1 || index > 4) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, '6', 1);
    f.Index(0, index);
    return CommandThenWait(f.Seal(), f.Length(), kMotionWaitMs);
}

ZanResult CQPanelControl::GetWobbleData(unsigned char index, unsigned short& value)
{
    if (index < 1 || index > 2) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, 'G', 1);
    f.Index(0, index);
    const uint32_t expected = index == 1 ? kWobbleSettingReplyBytes : kWobbleValueReplyBytes;
    const ZanResult result = Fetch(f.Seal(), f.Length(), expected, kCommandTimeoutMs);
    if (zanFailed(result)) return result;
    if (index == 1)
        value = m_Reply[kDataStart] == '0' ? 1 : 0;
    else
        value = static_cast<unsigned short>(ReplyDec(kDataStart, 3));
    return 0;
}

ZanResult CQPanelControl::SetWobbleData(unsigned char index, unsigned short value)
{
    // Item 1 travels as '0' and the setting ('0' on, '1' off); item 2 as '1' and 3 digits.
    if (index == 1 && value <= 1) {
        CommandFrame f(m_Model.Letter, 'V', 2);
        f.Char(1, value == 1 ? '0' : '1');
        return Command(f.Seal(), f.Length());
    }
    if (index == 2 && value <= kWobbleValueMax) {
        CommandFrame f(m_Model.Letter, 'V', 4);
        f.Char(0, '1');
        f.Dec3(1, value);
        return Command(f.Seal(), f.Length());
    }
    return ModelCode(QCTRL_OUT_OF_RANGE);
}

// ---- Gamma and uniformity tables --------------------------------------------------------------

ZanResult CQPanelControl::GetGammaData(unsigned char table, unsigned short* values)
{
    if (table >= kGammaTables || !values) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, 'a', 1);
    f.Channel(0, table);
    const ZanResult result = Fetch(f.Seal(), f.Length(), kGammaReplyBytes, kGammaReadTimeoutMs);
    if (zanFailed(result)) return result;
    for (int k = 0; k < kGammaValues; ++k) {
        const int at = kDataStart + kGammaDigits * k;
        values[k] = static_cast<unsigned short>(ReplyHex(at, kGammaDigits));
    }
    return 0;
}

ZanResult CQPanelControl::SetGammaData(unsigned char table, const unsigned short* values)
{
    if (table >= kGammaTables || !values) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, 'b', 1 + kGammaValues * kGammaDigits);
    f.Channel(0, table);
    for (int k = 0; k < kGammaValues; ++k) f.Hex3(1 + kGammaDigits * k, values[k]);
    return Command(f.Seal(), f.Length(), kCommandTimeoutMs);
}

ZanResult CQPanelControl::GetUniformData(unsigned char index, unsigned char* data)
{
    if (index < 1 || index > kUniformTables || !data) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, 'c', 1);
    f.Index(0, index);
    const ZanResult result = Fetch(f.Seal(), f.Length(), kUniformReplyBytes, kUniformReadTimeoutMs);
    if (zanFailed(result)) return result;
    for (int k = 0; k < kUniformBytes; ++k) {
        const int at = kDataStart + kUniformDigits * k;
        data[k] = static_cast<unsigned char>(ReplyHex(at, kUniformDigits));
    }
    return 0;
}

ZanResult CQPanelControl::SetUniformData(unsigned char index, const unsigned char* data)
{
    if (index < 1 || index > kUniformTables || !data) return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, 'd', 1 + kUniformBytes * kUniformDigits);
    f.Index(0, index);
    for (int k = 0; k < kUniformBytes; ++k) f.Hex2(1 + kUniformDigits * k, data[k]);
    return Command(f.Seal(), f.Length(), kCommandTimeoutMs);
}

ZanResult CQPanelControl::UniformData(unsigned char operation, unsigned char index, unsigned char x,
                                      unsigned char y, unsigned char& data)
{
    if (operation > 1 || index < 1 || index > kUniformTables || x >= kUniformColumns ||
        y >= kUniformRows)
        return ModelCode(QCTRL_OUT_OF_RANGE);
    // Operation, table, x and y as 2 decimal digits each, the cell as 2 hexadecimal digits
    // (left '0', '0' when reading).
    CommandFrame f(m_Model.Letter, 'e', 8);
    f.Channel(0, operation);
    f.Index(1, index);
    f.Dec2(2, x);
    f.Dec2(4, y);
    if (operation == 1) {
        f.Hex2(6, data);
        return Command(f.Seal(), f.Length());
    }
    const ZanResult result = Query(f.Seal(), f.Length(), kCellReplyBytes);
    if (zanSucceeded(result)) data = static_cast<unsigned char>(ReplyHex(kCellDataAt, 2));
    return result;
}

// ---- Image adjustment -------------------------------------------------------------------------

ZanResult CQPanelControl::GetImageAdjust(unsigned char index, unsigned short& value)
{
    if (index < 1 || index > 8) return ModelCode(QCTRL_OUT_OF_RANGE);
    const ZanResult result = QuerySelector('u', IndexChar(index), kImageAdjustReplyBytes);
    if (zanFailed(result)) return result;
    const int held = ReplyHex(kDataStart, 3);
    value = static_cast<unsigned short>(IsInvertedItem(index) ? (held == 0 ? 1 : 0) : held);
    return 0;
}

ZanResult CQPanelControl::SetImageAdjust(unsigned char index, unsigned short value)
{
    if (index < 1 || index > 8 || value > kImageAdjustMax[index])
        return ModelCode(QCTRL_OUT_OF_RANGE);
    CommandFrame f(m_Model.Letter, 't', 4);
    f.Index(0, index);
    f.Hex3(1, IsInvertedItem(index) ? 1u - value : value);
    return Command(f.Seal(), f.Length());
}
