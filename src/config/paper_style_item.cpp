// One paper style: name, comment, last colour corrections and its own gamma tables.
#include "qlcos/config.h"

#include "config/record_text.h"

#include <cstring>

using qlcos::config::CopyText;

CZanXavenPaperStyleItem::CZanXavenPaperStyleItem()
    : Name{}, Comment{}, R_LastCor(0), G_LastCor(0), B_LastCor(0), D_LastCor(0)
{}

CZanXavenPaperStyleItem::CZanXavenPaperStyleItem(const tagZanExpPaperStyleInfo& info)
    : CZanXavenPaperStyleItem()
{
    Set(&info);
}

CZanXavenPaperStyleItem::CZanXavenPaperStyleItem(const CZanXavenPaperStyleItem& other)
    : CZanXavenPaperStyleItem()
{
    *this = other;
}

void CZanXavenPaperStyleItem::operator=(const CZanXavenPaperStyleItem& other)
{
    if (this == &other) return;
    CopyText(Name, other.Name);
    CopyText(Comment, other.Comment);
    R_LastCor = other.R_LastCor;
    G_LastCor = other.G_LastCor;
    B_LastCor = other.B_LastCor;
    D_LastCor = other.D_LastCor;
    GammaTable = other.GammaTable;
}

CZanXavenPaperStyleItem::~CZanXavenPaperStyleItem() = default;

void CZanXavenPaperStyleItem::Init()
{
    CopyText(Name, nullptr);
    CopyText(Comment, nullptr);
    R_LastCor = G_LastCor = B_LastCor = D_LastCor = 0;
    GammaTable.InitData();
}

bool CZanXavenPaperStyleItem::operator==(const CZanXavenPaperStyleItem& other) const
{
    return qlcos::config::SameNoCase(Name, other.Name, kNameChars - 1);
}

void CZanXavenPaperStyleItem::Get(tagZanExpPaperStyleInfo* info) const
{
    if (!info) return;
    std::memset(info, 0, sizeof *info);
    info->R_LastCor = R_LastCor;
    info->G_LastCor = G_LastCor;
    info->B_LastCor = B_LastCor;
    info->D_LastCor = D_LastCor;
    CopyText(info->Name, Name);
}

void CZanXavenPaperStyleItem::Set(const tagZanExpPaperStyleInfo* info)
{
    if (!info) return;
    R_LastCor = info->R_LastCor;
    G_LastCor = info->G_LastCor;
    B_LastCor = info->B_LastCor;
    D_LastCor = info->D_LastCor;
    CopyText(Name, info->Name);
    CopyText(Comment, nullptr);
}
