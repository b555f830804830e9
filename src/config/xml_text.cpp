// Helpers at the XML boundary.
#include "config/xml_text.h"

#include "qlcos/config/xml_attribute.h"
#include "platform/text_localtime.h"

namespace qlcos::xml {

using namespace xercesc;

XmlString ToXml(const ZanWChar* text)
{
    XmlString out;
    if (text) {
        for (; *text; ++text) out += static_cast<XMLCh>(*text);
    }
    return out;
}

XmlString ToXml(const std::string& ascii)
{
    XmlString out;
    for (char c : ascii) out += static_cast<XMLCh>(static_cast<unsigned char>(c));
    return out;
}

ZanString FromXml(const XMLCh* text)
{
    ZanString out;
    if (text) {
        for (; *text; ++text) out += static_cast<ZanWChar>(*text);
    }
    return out;
}

namespace {

bool EqualNoCase(const XMLCh* a, const ZanWChar* b)
{
    if (!a || !b) return false;
    for (; *a && *b; ++a, ++b) {
        if (qlcos::unicode::FoldCase(static_cast<ZanWChar>(*a)) != qlcos::unicode::FoldCase(*b))
            return false;
    }
    return *a == 0 && *b == 0;
}

bool EqualExact(const XMLCh* a, const ZanWChar* b)
{
    for (; *a && *b; ++a, ++b) {
        if (static_cast<ZanWChar>(*a) != *b) return false;
    }
    return *a == 0 && *b == 0;
}

} // namespace

bool NameIs(const DOMNode* node, const ZanWChar* name)
{
    return node && EqualNoCase(node->getNodeName(), name);
}

DOMElement* AsElement(DOMNode* node)
{
    if (!node || node->getNodeType() != DOMNode::ELEMENT_NODE) return nullptr;
    return static_cast<DOMElement*>(node);
}

DOMElement* ElementNamed(DOMNode* node, const ZanWChar* name)
{
    DOMElement* element = AsElement(node);
    return element && NameIs(element, name) ? element : nullptr;
}

DOMDocument* DocumentOf(DOMNode* node)
{
    if (!node) return nullptr;
    if (node->getNodeType() == DOMNode::DOCUMENT_NODE) return static_cast<DOMDocument*>(node);
    return node->getOwnerDocument();
}

const XMLCh* FindAttribute(const DOMElement& element, const ZanWChar* name)
{
    if (!name || !*name) return nullptr;
    const XMLCh* text = nullptr;
    XmlString xmlName = ToXml(name);
    const DOMAttr* attr = element.getAttributeNode(xmlName.c_str());
    if (attr) {
        text = attr->getValue();
    } else if (const DOMNamedNodeMap* attributes = element.getAttributes()) {
        for (XMLSize_t i = 0; i < attributes->getLength(); ++i) {
            const DOMNode* a = attributes->item(i);
            if (a && !EqualExact(a->getNodeName(), name) && EqualNoCase(a->getNodeName(), name)) {
                text = a->getNodeValue();
                break;
            }
        }
    }
    return text && *text ? text : nullptr;
}

void SetAttribute(DOMElement* element, const ZanWChar* name, const ZanWChar* value)
{
    element->setAttribute(ToXml(name).c_str(), ToXml(value).c_str());
}

void SetAttribute(DOMElement* element, const ZanWChar* name, const std::string& ascii)
{
    element->setAttribute(ToXml(name).c_str(), ToXml(ascii).c_str());
}

DOMElement* CreateElement(DOMNode* parent, const ZanWChar* name)
{
    DOMDocument* document = DocumentOf(parent);
    if (!document) return nullptr;
    try {
        return document->createElement(ToXml(name).c_str());
    } catch (const DOMException&) {
        return nullptr;
    }
}

bool Append(DOMNode* parent, DOMNode* child)
{
    if (!parent || !child) return false;
    try {
        parent->appendChild(child);
        return true;
    } catch (const DOMException&) {
        return false;
    }
}

DOMElement* AppendElement(DOMNode* parent, const ZanWChar* name)
{
    DOMElement* element = CreateElement(parent, name);
    return element && Append(parent, element) ? element : nullptr;
}

std::vector<DOMElement*> ChildElements(DOMNode* parent, const ZanWChar* name)
{
    std::vector<DOMElement*> children;
    if (!parent) return children;
    for (DOMNode* child = parent->getFirstChild(); child; child = child->getNextSibling()) {
        DOMElement* element = AsElement(child);
        if (element && NameIs(element, name)) children.push_back(element);
    }
    return children;
}

ZanString ReadText(const DOMElement& element, const ZanWChar* name, int maxChars,
                   const ZanWChar* fallback)
{
    std::vector<ZanWChar> buffer(static_cast<size_t>(maxChars) + 1, 0);
    xmlGetAttributeString(element, name, buffer.data(), maxChars, fallback);
    return ZanString(buffer.data());
}

DOMElement* CreateRecordElement(DOMNode* parent, const ZanWChar* name, const ZanWChar* comment)
{
    DOMElement* element = CreateElement(parent, name);
    if (!element) return nullptr;
    try {
        SetAttribute(element, ZT("CreateTime"), platform::LocalTimeText("%Y-%m-%d %H:%M"));
        SetAttribute(element, ZT("Comment"), comment);
        return element;
    } catch (const DOMException&) {
        return nullptr;
    }
}

} // namespace qlcos::xml
