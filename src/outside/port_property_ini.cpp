// Serial-port property in an INI section: six decimal keys, one per word.
#include "qlcos/config.h"

#include "outside/port_property_form.h"
#include "platform/profile_io.h"

namespace zanport {

const Word kWords[kWordCount] = {
    {ZT("Port"), &tagZANSerialPortProperty::Port},
    {ZT("Second"), &tagZANSerialPortProperty::Second},
    {ZT("BaudRate"), &tagZANSerialPortProperty::BaudRate},
    {ZT("DataBits"), &tagZANSerialPortProperty::DataBits},
    {ZT("Reserved1"), &tagZANSerialPortProperty::Reserved1},
    {ZT("Reserved2"), &tagZANSerialPortProperty::Reserved2},
};

} // namespace zanport

BOOL zanGetSerialPortPropertyFromINI(const ZanWChar* path, const ZanWChar* section,
                                     tagZANSerialPortProperty* property)
{
    if (!path || !section || !property) return 0;
    tagZANSerialPortProperty read = *property;
    for (const zanport::Word& word : zanport::kWords) {
        ZanString text;
        if (!zanplatform::ProfileRead(path, section, word.name, text) ||
            !zantext::ParseWholeInt(text, read.*word.member))
            return 0;
    }
    *property = read;
    return 1;
}

BOOL zanSetSerialPortPropertyToINI(const ZanWChar* path, const ZanWChar* section,
                                   const tagZANSerialPortProperty* property)
{
    if (!path || !section || !property) return 0;
    BOOL ok = 1;
    for (const zanport::Word& word : zanport::kWords) {
        ZanString text = zantext::FromAscii(zantext::FormatInt(property->*word.member).c_str());
        if (!WritePrivateProfileStringW(section, word.name, text.c_str(), path)) ok = 0;
    }
    return ok;
}
