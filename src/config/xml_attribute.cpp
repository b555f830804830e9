// The exported XML attribute readers.
#include "qlcos/config.h"

#include "config/number_text.h"
#include "config/xml_text.h"

using xercesc::DOMElement;

namespace {

bool EqualsNoCase(const XMLCh* text, const ZanWChar* word)
{
    ZanString t = qlcos::xml::FromXml(text);
    return qlcos::unicode::EqualNoCase(t.c_str(), word);
}

// Copies `source` into the first `length` characters of `buffer`, zero-filling the rest.
template <typename Char> void CopyFilled(ZanWChar* buffer, int length, const Char* source)
{
    int i = 0;
    for (; i < length && source[i]; ++i) buffer[i] = static_cast<ZanWChar>(source[i]);
    for (; i < length; ++i) buffer[i] = 0;
}

} // namespace

int xmlGetAttributeBool(const DOMElement& element, const ZanWChar* name, int defaultValue)
{
    const XMLCh* text = qlcos::xml::FindAttribute(element, name);
    if (defaultValue == 1) return text && EqualsNoCase(text, ZT("FALSE")) ? 0 : 1;
    return text && EqualsNoCase(text, ZT("TRUE")) ? 1 : 0;
}

int xmlGetAttributeInt(const DOMElement& element, const ZanWChar* name, int defaultValue,
                       int* found)
{
    const XMLCh* text = qlcos::xml::FindAttribute(element, name);
    if (found) *found = text ? 1 : 0;
    if (!text) return defaultValue;
    ZanString t = qlcos::xml::FromXml(text);
    return qlcos::numbers::ParseInt(t).Value;
}

double xmlGetAttributeDouble(const DOMElement& element, const ZanWChar* name, double defaultValue)
{
    const XMLCh* text = qlcos::xml::FindAttribute(element, name);
    if (!text) return defaultValue;
    ZanString t = qlcos::xml::FromXml(text);
    return qlcos::numbers::ParseDouble(t).Value;
}

ZanWChar* xmlGetAttributeString(const DOMElement& element, const ZanWChar* name, ZanWChar* buffer,
                                int length, const ZanWChar* defaultText)
{
    if (!buffer || length <= 0) return buffer;
    const XMLCh* text = qlcos::xml::FindAttribute(element, name);
    if (text) {
        CopyFilled(buffer, length, text);
    } else if (defaultText) {
        CopyFilled(buffer, length, defaultText);
    }
    return buffer;
}
