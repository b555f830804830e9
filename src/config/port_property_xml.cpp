// Serial-port property as a "PortProperty" element with six decimal attributes.
#include "qlcos/config.h"

#include "config/number_text.h"
#include "config/port_property_form.h"
#include "config/xml_text.h"

using namespace xercesc;

BOOL zanXMLGetSerialPortProperty(DOMNode* node, tagZANSerialPortProperty* property)
{
    DOMElement* element = qlcos::xml::AsElement(node);
    if (!element || !property || !qlcos::xml::NameIs(element, ZT("PortProperty"))) return 0;
    tagZANSerialPortProperty read = *property;
    for (const qlcos::config::Word& word : qlcos::config::kWords) {
        const XMLCh* text = qlcos::xml::FindAttribute(*element, word.Name);
        if (!text || !qlcos::numbers::ParseWholeInt(qlcos::xml::FromXml(text), read.*word.Member))
            return 0;
    }
    *property = read;
    return 1;
}

BOOL zanXMLSetSerialPortProperty(DOMNode* parent, const tagZANSerialPortProperty* property)
{
    if (!parent || !property) return 0;
    try {
        DOMElement* element = qlcos::xml::AppendElement(parent, ZT("PortProperty"));
        if (!element) return 0;
        for (const qlcos::config::Word& word : qlcos::config::kWords)
            qlcos::xml::SetAttribute(element, word.Name,
                                     qlcos::numbers::FormatInt(property->*word.Member));
        return 1;
    } catch (const DOMException&) {
        return 0;
    }
}
