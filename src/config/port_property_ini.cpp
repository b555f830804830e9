// Serial-port property in an INI section: six decimal keys, one per word.
#include "qlcos/config.h"

#include "config/number_text.h"
#include "config/port_property_form.h"
#include "platform/profile_io.h"

namespace qlcos::config {

const Word kWords[kWordCount] = {
    {ZT("Port"), &tagZANSerialPortProperty::Port},
    {ZT("Second"), &tagZANSerialPortProperty::Second},
    {ZT("BaudRate"), &tagZANSerialPortProperty::BaudRate},
    {ZT("DataBits"), &tagZANSerialPortProperty::DataBits},
    {ZT("Reserved1"), &tagZANSerialPortProperty::Reserved1},
    {ZT("Reserved2"), &tagZANSerialPortProperty::Reserved2},
};

} // namespace qlcos::config

BOOL zanGetSerialPortPropertyFromINI(const ZanWChar* path, const ZanWChar* section,
                                     tagZANSerialPortProperty* property)
{
    if (!path || !section || !property) return 0;
    tagZANSerialPortProperty read = *property;
    for (const qlcos::config::Word& word : qlcos::config::kWords) {
        ZanString text;
        if (!qlcos::platform::ProfileRead(path, section, word.Name, text) ||
            !qlcos::numbers::ParseWholeInt(text, read.*word.Member))
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
    for (const qlcos::config::Word& word : qlcos::config::kWords) {
        ZanString text =
            qlcos::unicode::FromAscii(qlcos::numbers::FormatInt(property->*word.Member).c_str());
        if (!qlcos::platform::ProfileWrite(path, section, word.Name, text.c_str())) ok = 0;
    }
    return ok;
}
