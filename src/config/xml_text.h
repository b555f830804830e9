// Helpers at the XML boundary: wide text to and from Xerces' XMLCh, node names compared
// without regard to letter case, attribute lookup, element creation.
#pragma once

#include "platform/text_utf.h"

#include <xercesc/dom/DOM.hpp>

#include <string>
#include <vector>

namespace qlcos::xml {

typedef std::basic_string<XMLCh> XmlString;

XmlString ToXml(const ZanWChar* text);
XmlString ToXml(const std::string& ascii); // 7-bit text such as formatted numbers
ZanString FromXml(const XMLCh* text);

// The node's name equals `name` without regard to letter case.
bool NameIs(const xercesc::DOMNode* node, const ZanWChar* name);

// The node as an element when it is one, else null.
xercesc::DOMElement* AsElement(xercesc::DOMNode* node);

// The node as an element when it is one named `name` (letter case ignored), else null.
xercesc::DOMElement* ElementNamed(xercesc::DOMNode* node, const ZanWChar* name);

// The document that new children of `node` are created in: the node itself when it is a
// document, else its owner document.
xercesc::DOMDocument* DocumentOf(xercesc::DOMNode* node);

// Text of the attribute `name`: matched exactly, else without regard to letter case. Null
// when there is no such attribute or its text is empty.
const XMLCh* FindAttribute(const xercesc::DOMElement& element, const ZanWChar* name);

void SetAttribute(xercesc::DOMElement* element, const ZanWChar* name, const ZanWChar* value);
void SetAttribute(xercesc::DOMElement* element, const ZanWChar* name, const std::string& ascii);

// Creates the element `name` in the document that `parent` belongs to, without appending
// it; null when there is no document or the DOM refuses (the exception is caught).
xercesc::DOMElement* CreateElement(xercesc::DOMNode* parent, const ZanWChar* name);

// Appends `child` to `parent`; false when the DOM refuses (the exception is caught).
bool Append(xercesc::DOMNode* parent, xercesc::DOMNode* child);

// CreateElement, then Append; null on failure.
xercesc::DOMElement* AppendElement(xercesc::DOMNode* parent, const ZanWChar* name);

// The child elements of `parent` named `name` (letter case ignored), in document order.
std::vector<xercesc::DOMElement*> ChildElements(xercesc::DOMNode* parent, const ZanWChar* name);

// The attribute's text cut to `maxChars` characters, read as xmlGetAttributeString does;
// `fallback` (may be null: empty) when the attribute is absent or empty.
ZanString ReadText(const xercesc::DOMElement& element, const ZanWChar* name, int maxChars,
                   const ZanWChar* fallback = nullptr);

// The element that holds a record's XML form, created in the document of `parent` (not yet
// appended) with the export time as "CreateTime" and the record's fixed "Comment"; null when
// the DOM refuses.
xercesc::DOMElement* CreateRecordElement(xercesc::DOMNode* parent, const ZanWChar* name,
                                         const ZanWChar* comment);

// Flags as the XML forms write them.
inline const ZanWChar* TrueFalse(int32_t value) { return value ? ZT("True") : ZT("False"); }

} // namespace qlcos::xml
