// The operations the LCD and LDD controllers share: shutter, wobble unit, gamma and
// uniformity tables, and image adjustment with hexadecimal values.
#include "qlcos/exposure/panel_control.h"
#include "exposure/frame_link.h"

using qlcos::exposure::Framed;
using qlcos::exposure::FrameLink;

namespace {

static_assert(CQPanelControl::kGammaValues == qlcos::exposure::kGammaValues, "gamma table");
static_assert(CQPanelControl::kUniformBytes == qlcos::exposure::kUniformBytes, "uniform table");

// A whole table, `count` values after the table's selector: read into `values` from the
// reply, where the row's value is the first and the others follow it; or written.
template <typename T>
ZanResult ReadTable(FrameLink link, Framed id, unsigned char table, T* values, int count)
{
    if (!values) return link.Code(QCTRL_OUT_OF_RANGE);
    const ZanResult result = link.Run(id, {table});
    if (zanFailed(result)) return result;
    // The whole table is checked before any of it is written.
    qlcos::exposure::Value at = qlcos::exposure::RowOf(id).Read;
    for (int k = 0; k < count; ++k, at.At += at.Width) {
        int value = 0;
        if (!link.Number(at, value)) return link.Code(QCTRL_BAD_LENGTH);
    }
    at = qlcos::exposure::RowOf(id).Read;
    for (int k = 0; k < count; ++k, at.At += at.Width) {
        int value = 0;
        link.Number(at, value);
        values[k] = static_cast<T>(value);
    }
    return 0;
}

template <typename T>
ZanResult WriteTable(FrameLink link, Framed id, unsigned char table, const T* values, int count)
{
    if (!values) return link.Code(QCTRL_OUT_OF_RANGE);
    qlcos::exposure::CommandFrame frame = link.Frame(id);
    frame.Put(table);
    for (int k = 0; k < count; ++k) frame.Put(values[k]);
    return link.Send(id, frame);
}

// Image-adjust items 7 and 8 are switches that the controller holds inverted.
bool IsInvertedItem(unsigned char index) { return index == 7 || index == 8; }

} // namespace

CQPanelControl::CQPanelControl(uint16_t deviceType) : CQFrameControl(deviceType) {}

// clang-format off
ZanResult CQPanelControl::ShutterControl(int open) { return FrameLink(*this).Run(Framed::ShutterControlThenWait, {open != 0}); }
ZanResult CQPanelControl::WobbleControl(unsigned char index) { return FrameLink(*this).Run(Framed::WobbleControl, {index}); }
ZanResult CQPanelControl::GetGammaData(unsigned char table, unsigned short* values) { return ReadTable(FrameLink(*this), Framed::GetGammaData, table, values, kGammaValues); }
ZanResult CQPanelControl::SetGammaData(unsigned char table, const unsigned short* values) { return WriteTable(FrameLink(*this), Framed::SetGammaData, table, values, kGammaValues); }
ZanResult CQPanelControl::GetUniformData(unsigned char index, unsigned char* data) { return ReadTable(FrameLink(*this), Framed::GetUniformData, index, data, kUniformBytes); }
ZanResult CQPanelControl::SetUniformData(unsigned char index, const unsigned char* data) { return WriteTable(FrameLink(*this), Framed::SetUniformData, index, data, kUniformBytes); }
// clang-format on

ZanResult CQPanelControl::GetWobbleData(unsigned char index, unsigned short& value)
{
    FrameLink link(*this);
    if (index == 2) return link.Read(Framed::GetWobbleValue, {}, value);
    if (index != 1) return link.Code(QCTRL_OUT_OF_RANGE);
    const ZanResult result = link.Run(Framed::GetWobbleSetting, {});
    if (zanFailed(result)) return result;
    // The setting reads '0' when the wobble is on; it must be a digit.
    const unsigned char setting = link.Reply()[qlcos::exposure::kData];
    if (!qlcos::exposure::IsDecimalDigit(setting)) return link.Code(QCTRL_BAD_LENGTH);
    value = setting == '0' ? 1 : 0;
    return result;
}

ZanResult CQPanelControl::SetWobbleData(unsigned char index, unsigned short value)
{
    FrameLink link(*this);
    if (index == 2) return link.Run(Framed::SetWobbleValue, {value});
    if (index == 1 && value <= 1) return link.Run(Framed::SetWobbleSetting, {value});
    return link.Code(QCTRL_OUT_OF_RANGE);
}

ZanResult CQPanelControl::UniformData(unsigned char operation, unsigned char index, unsigned char x,
                                      unsigned char y, unsigned char& data)
{
    FrameLink link(*this);
    // Reading leaves the cell's digits '0', '0'.
    if (operation == 0) return link.Read(Framed::ReadUniformCell, {index, x, y, 0}, data);
    if (operation == 1) return link.Run(Framed::WriteUniformCell, {index, x, y, data});
    return link.Code(QCTRL_OUT_OF_RANGE);
}

ZanResult CQPanelControl::GetImageAdjust(unsigned char index, unsigned short& value)
{
    unsigned short held = 0;
    const ZanResult result = FrameLink(*this).ReadAtMost<unsigned short>(
        Framed::GetImageAdjustHex, {index},
        qlcos::exposure::ImageAdjustMax(qlcos::exposure::kImageAdjustMaxHex, index), held);
    if (zanFailed(result)) return result;
    value = IsInvertedItem(index) ? (held == 0 ? 1 : 0) : held;
    return result;
}

ZanResult CQPanelControl::SetImageAdjust(unsigned char index, unsigned short value)
{
    FrameLink link(*this);
    if (index >= 1 && index <= 8 &&
        value > qlcos::exposure::ImageAdjustMax(qlcos::exposure::kImageAdjustMaxHex, index))
        return link.Code(QCTRL_OUT_OF_RANGE);
    const uint32_t held = IsInvertedItem(index) ? 1u - value : value;
    return link.Run(Framed::SetImageAdjustHex, {index, held});
}
