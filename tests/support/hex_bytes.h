// Expected blob bytes written as hexadecimal text, as the record layouts are documented.
#pragma once

#include <string>
#include <vector>

namespace qlcos::test {

// Bytes from pairs of hexadecimal digits; spaces only group them ("53 4E 45 44").
inline std::vector<unsigned char> HexBytes(const std::string& text)
{
    std::vector<unsigned char> out;
    for (size_t i = 0; i < text.size(); i += text[i] == ' ' ? 1 : 2)
        if (text[i] != ' ')
            out.push_back(static_cast<unsigned char>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return out;
}

} // namespace qlcos::test
