// Serial-port property as a "PortProperty" element with six decimal attributes.
#include "qlcos/config.h"

#include "config/xml_text.h"
#include "outside/port_property_form.h"

using namespace xercesc;

BOOL zanXMLGetSerialPortProperty(DOMNode* node, tagZANSerialPortProperty* property)
{
    DOMElement* element = zanxml::AsElement(node);
    if (!element || !property || !zanxml::NameIs(element, ZT("PortProperty"))) return 0;
    tagZANSerialPortProperty read = *property;
    for (const zanport::Word& word : zanport::kWords) {
        const XMLCh* text = zanxml::FindAttribute(*element, word.name);
        if (!text || !zantext::ParseWholeInt(zanxml::FromXml(text), read.*word.member)) return 0;
    }
    *property = read;
    return 1;
}

BOOL zanXMLSetSerialPortProperty(DOMNode* parent, const tagZANSerialPortProperty* property)
{
    if (!parent || !property) return 0;
    try {
        DOMElement* element = zanxml::AppendElement(parent, ZT("PortProperty"));
        if (!element) return 0;
        for (const zanport::Word& word : zanport::kWords)
            zanxml::SetAttribute(element, word.name, zantext::FormatInt(property->*word.member));
        return 1;
    } catch (const DOMException&) {
        return 0;
    }
}
