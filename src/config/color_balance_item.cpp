// One named colour balance setting: its defaults, copies in and out, and name comparison.
#include "qlcos/config.h"

#include "config/record_text.h"

CZanXavenColorBalanceItem::CZanXavenColorBalanceItem() : m_Item{} { Init(); }

CZanXavenColorBalanceItem::CZanXavenColorBalanceItem(const tagZanXavenColorBalanceItem& item)
    : m_Item{}
{
    Set(&item);
}

CZanXavenColorBalanceItem::CZanXavenColorBalanceItem(const CZanXavenColorBalanceItem& other) =
    default;

CZanXavenColorBalanceItem&
CZanXavenColorBalanceItem::operator=(const CZanXavenColorBalanceItem& other) = default;

void CZanXavenColorBalanceItem::Init()
{
    const tagZanXavenColorBalanceFactors neutral = {1.0, 1.0, 1.0};
    qlcos::config::CopyText(m_Item.Name, nullptr);
    m_Item.Valve = kDefaultValve;
    m_Item.Reserved = 0;
    m_Item.Red = m_Item.Green = m_Item.Blue = neutral;
    m_Item.Cyan = m_Item.Magenta = m_Item.Yellow = neutral;
}

void CZanXavenColorBalanceItem::Get(tagZanXavenColorBalanceItem* item) const
{
    if (item) *item = m_Item;
}

void CZanXavenColorBalanceItem::Set(const tagZanXavenColorBalanceItem* item)
{
    if (!item) return;
    m_Item = *item;
    // A name that fills its field without a terminator loses its last character.
    qlcos::config::CopyText(m_Item.Name, item->Name);
    m_Item.Reserved = 0;
}

bool CZanXavenColorBalanceItem::operator==(const CZanXavenColorBalanceItem& other) const
{
    return qlcos::config::SameNoCase(m_Item.Name, other.m_Item.Name);
}
