// Attribute readers of the configuration records' XML forms.
#pragma once

#include "qlcos/types.h"

#include <xercesc/dom/DOMElement.hpp>

// An attribute counts as present only when its text is not empty. The name is matched
// exactly first, then without regard to letter case.

// With default 1: 1 unless the attribute is "FALSE"; with any other default: 0 unless the
// attribute is "TRUE" (letter case ignored). Always 0 or 1.
QLCOS_API int xmlGetAttributeBool(const xercesc::DOMElement& element, const ZanWChar* name,
                                  int defaultValue);
// Signed decimal (strtol rules, clamped to 32 bits; no digits gives 0). *found, when given,
// is 1 when the attribute is present, else 0 and the default is returned.
QLCOS_API int xmlGetAttributeInt(const xercesc::DOMElement& element, const ZanWChar* name,
                                 int defaultValue, int* found);
// Decimal floating-point number (strtod rules in the C locale; no number gives 0.0).
QLCOS_API double xmlGetAttributeDouble(const xercesc::DOMElement& element, const ZanWChar* name,
                                       double defaultValue);
// Copies the text (or, when absent, the default text) into the first `length` characters of
// `buffer`, zero-filling the rest of them; without a default the buffer is left as it was.
// Pass a buffer one character longer than `length`, zeroed, for a terminated result.
QLCOS_API ZanWChar* xmlGetAttributeString(const xercesc::DOMElement& element, const ZanWChar* name,
                                          ZanWChar* buffer, int length,
                                          const ZanWChar* defaultText);
