// The serial-port property record in an INI section and as an XML element.
#pragma once

#include "qlcos/types.h"

#include <xercesc/dom/DOMNode.hpp>

// INI: six integer keys in the given section, "Port", "Second", "BaudRate", "DataBits",
// "Reserved1", "Reserved2", decimal (the second word is usually -1).
// XML: a "PortProperty" element with the same six attributes.
// A reader answers TRUE only when all six are present and each is a whole decimal number
// in the 32-bit signed range; otherwise FALSE and the property is left unchanged.

QLCOS_API BOOL zanGetSerialPortPropertyFromINI(const ZanWChar* path, const ZanWChar* section,
                                               tagZANSerialPortProperty* property);
QLCOS_API BOOL zanSetSerialPortPropertyToINI(const ZanWChar* path, const ZanWChar* section,
                                             const tagZANSerialPortProperty* property);
// Reads the "PortProperty" element itself.
QLCOS_API BOOL zanXMLGetSerialPortProperty(xercesc::DOMNode* element,
                                           tagZANSerialPortProperty* property);
// Creates a "PortProperty" element and appends it to `parent`.
QLCOS_API BOOL zanXMLSetSerialPortProperty(xercesc::DOMNode* parent,
                                           const tagZANSerialPortProperty* property);
