// One paper size: its defaults and the copies between it and its flat 704-byte record.
#include "qlcos/config.h"

#include "config/record_text.h"

namespace {

using qlcos::config::CopyText;

// Copies the fields that the item and the flat record share (they have the same names);
// texts are cut to their fields with the terminator kept.
template <typename To, typename From> void CopyFields(To& to, const From& from)
{
    to.R_LastCor = from.R_LastCor;
    to.G_LastCor = from.G_LastCor;
    to.B_LastCor = from.B_LastCor;
    to.D_LastCor = from.D_LastCor;
    to.PhotoLeft = from.PhotoLeft;
    to.PhotoTop = from.PhotoTop;
    to.PhotoWidth = from.PhotoWidth;
    to.PhotoHeight = from.PhotoHeight;
    CopyText(to.Name, from.Name);
    to.PaperWidth = from.PaperWidth;
    to.PaperLength = from.PaperLength;
    to.MinExposeTime = from.MinExposeTime;
    to.MultiOvertime = from.MultiOvertime;
    to.EnableMultiWait = from.EnableMultiWait;
    to.EnableTestMode = from.EnableTestMode;
    CopyText(to.UniformFileName, from.UniformFileName);
    to.UniformPercent = from.UniformPercent;
    to.EnableUniform = from.EnableUniform;
    to.EnableUniformDebug = from.EnableUniformDebug;
    to.WobbleTemp = from.WobbleTemp;
    to.WobbleXCountTemp = from.WobbleXCountTemp;
    to.WobbleYCountTemp = from.WobbleYCountTemp;
    to.Wobble = from.Wobble;
    to.WobbleXCount = from.WobbleXCount;
    to.WobbleYCount = from.WobbleYCount;
    to.EnableRepeatMode = from.EnableRepeatMode;
    to.nRepeatCount = from.nRepeatCount;
    to.nRepeatInterval = from.nRepeatInterval;
    to.nRepeatPreInter = from.nRepeatPreInter;
    to.nRepeatPostInter = from.nRepeatPostInter;
    to.nNormalPreInter = from.nNormalPreInter;
    to.nNormalPostInter = from.nNormalPostInter;
}

tagZanExpPaperSizeInfo Defaults()
{
    tagZanExpPaperSizeInfo info{};
    info.MultiOvertime = 30;
    info.UniformPercent = 100;
    info.WobbleXCountTemp = info.WobbleYCountTemp = 1;
    info.WobbleXCount = info.WobbleYCount = 1;
    info.nRepeatCount = 11;
    info.nRepeatInterval = 5000;
    return info;
}

} // namespace

CZanXavenPaperSizeItem::CZanXavenPaperSizeItem() { Init(); }

CZanXavenPaperSizeItem::CZanXavenPaperSizeItem(const tagZanExpPaperSizeInfo& info)
{
    Init();
    Set(&info);
}

CZanXavenPaperSizeItem::CZanXavenPaperSizeItem(const CZanXavenPaperSizeItem& other) = default;

void CZanXavenPaperSizeItem::operator=(const CZanXavenPaperSizeItem& other)
{
    if (this == &other) return;
    CopyFields(*this, other);
    CopyText(Comment, other.Comment);
    PhotoPositionCfg = other.PhotoPositionCfg;
}

CZanXavenPaperSizeItem::~CZanXavenPaperSizeItem() = default;

void CZanXavenPaperSizeItem::Init()
{
    CopyFields(*this, Defaults());
    CopyText(Comment, nullptr);
    PhotoPositionCfg.InitData();
}

bool CZanXavenPaperSizeItem::operator==(const CZanXavenPaperSizeItem& other) const
{
    return qlcos::config::SameNoCase(Name, other.Name, kNameChars);
}

void CZanXavenPaperSizeItem::Get(tagZanExpPaperSizeInfo* info) const
{
    if (info) CopyFields(*info, *this);
}

void CZanXavenPaperSizeItem::Set(const tagZanExpPaperSizeInfo* info)
{
    if (info) CopyFields(*this, *info);
}

uint32_t CZanXavenPaperSizeItem::GetSize() const
{
    return CZanXavenPaperSizeCfg::kInfoSize + PhotoPositionCfg.GetSize();
}
