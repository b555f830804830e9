// Number functions of the serial device framework: block check, search, and the ASCII
// decimal and hexadecimal digit fields of the controller protocols.
#include "qlcos/serial.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

int HexValue(unsigned char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0; // anything else (including the 0 handed in for a missing digit) counts as 0
}

// Decimal digits read arithmetically, as the controllers' fields are: a character past '9'
// reads as a value above 9, which the callers that care about it clamp.
int DecValue(unsigned char c) { return static_cast<int>(c) - '0'; }

unsigned char DecDigit(uint32_t value) { return static_cast<unsigned char>('0' + value % 10); }

} // namespace

unsigned char zanCheckXOR(const unsigned char* bytes, int count)
{
    unsigned char x = 0;
    for (int i = 0; bytes && i < count; ++i) x ^= bytes[i];
    return x;
}

int zanIsIn(const unsigned char* bytes, unsigned char ch, int* position, int length, int start)
{
    if (!bytes || start < 0) return 0;
    for (int i = start; i < length; ++i) {
        if (bytes[i] == ch) {
            if (position) *position = i;
            return 1;
        }
    }
    return 0;
}

void zanSplitDec(uint32_t value, unsigned char& d1, unsigned char& d2)
{
    d1 = DecDigit(value / 10);
    d2 = DecDigit(value);
}

void zanSplitDec(uint32_t value, unsigned char& d1, unsigned char& d2, unsigned char& d3)
{
    d1 = DecDigit(value / 100);
    zanSplitDec(value, d2, d3);
}

void zanSplitDec(uint32_t value, unsigned char& d1, unsigned char& d2, unsigned char& d3,
                 unsigned char& d4)
{
    d1 = DecDigit(value / 1000);
    zanSplitDec(value, d2, d3, d4);
}

int zanCombineDec(unsigned char d1, unsigned char d2) { return DecValue(d1) * 10 + DecValue(d2); }

int zanCombineDec(unsigned char d1, unsigned char d2, unsigned char d3)
{
    return DecValue(d1) * 100 + zanCombineDec(d2, d3);
}

int zanCombineDec(unsigned char d1, unsigned char d2, unsigned char d3, unsigned char d4)
{
    return DecValue(d1) * 1000 + zanCombineDec(d2, d3, d4);
}

void zanSplitHex(uint32_t value, unsigned char& d1, unsigned char& d2)
{
    d1 = static_cast<unsigned char>(kHexDigits[(value >> 4) & 0xF]);
    d2 = static_cast<unsigned char>(kHexDigits[value & 0xF]);
}

void zanSplitHex(uint32_t value, unsigned char& d1, unsigned char& d2, unsigned char& d3,
                 unsigned char& d4)
{
    zanSplitHex(value >> 8, d1, d2);
    zanSplitHex(value, d3, d4);
}

int zanCombineHex(unsigned char d1, unsigned char d2) { return HexValue(d1) * 16 + HexValue(d2); }

int zanCombineHex(unsigned char d1, unsigned char d2, unsigned char d3, unsigned char d4)
{
    return zanCombineHex(d1, d2) * 256 + zanCombineHex(d3, d4);
}
