// The reading text of the X-Rite densitometers: tokens at spaces and commas, each letter
// token followed by the value of its field.
#pragma once

#include "qlcos/types.h"

namespace qlcos::density {

// The longest text read; bytes beyond it are never looked at.
constexpr int kMaxReadingText = 512;

// The letters that name Visual, Cyan, Magenta and Yellow, in that order.
struct ReadingLetters {
    char Letter[4];
};
constexpr ReadingLetters kUpperCaseLetters{{'V', 'C', 'M', 'Y'}};
constexpr ReadingLetters kLowerCaseLetters{{'v', 'c', 'm', 'y'}};

// Reads the first `length` bytes of `text` (at most kMaxReadingText, ending early at a NUL;
// no NUL needed) into `reading`. The text splits into tokens at spaces and commas; a token
// that begins with one of the letters gives its field the value of the token after it, and
// the letter checks then go on with that value token. A letter token with nothing after it
// ends the reading. A value is the decimal number a token begins with, read the same in any
// locale: an optional sign, digits with an optional point, an optional exponent; whatever
// follows the number in its token (such as the line's CR or LF) ends it. A token that does
// not begin with a number leaves its field as it was, and so does a missing letter.
// Returns how many values were read.
int ParseReading(const unsigned char* text, int length, const ReadingLetters& letters,
                 tagDensityInfo& reading);

} // namespace qlcos::density
