// Every result code the public headers name has a text of its own.
#include "qlcos/qlcos.h"
#include "exposure/model_table.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

bool IsUnknown(const std::string& text) { return text.find("unknown") != std::string::npos; }

// The text without its // comments.
std::string WithoutComments(const std::string& text)
{
    std::string out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        out += line.substr(0, line.find("//")) + "\n";
    return out;
}

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\n");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\n") - first + 1);
}

// NAME = value of every `enum : ZanResult` block, of the QCTRL_ low words, and of every
// `#define NAME 0x...`, in all public headers; aliases (NAME = OTHER) resolved.
void ReadCodes(std::map<std::string, uint32_t>& results, std::map<std::string, uint32_t>& lowWords)
{
    for (const auto& file : std::filesystem::recursive_directory_iterator(
             std::filesystem::path(QLCOS_SOURCE_DIR) / "include" / "qlcos")) {
        if (file.path().extension() != ".h") continue;
        std::ifstream in(file.path());
        std::stringstream text;
        text << in.rdbuf();
        const std::string source = WithoutComments(text.str());
        for (size_t at = source.find("enum"); at != std::string::npos;
             at = source.find("enum", at + 4)) {
            const size_t open = source.find('{', at), close = source.find("};", at);
            if (open == std::string::npos || close == std::string::npos || close < open) break;
            const std::string head = source.substr(at, open - at);
            const bool low = head.find("uint16_t") != std::string::npos;
            if (!low && head.find("ZanResult") == std::string::npos) continue;
            std::istringstream entries(source.substr(open + 1, close - open - 1));
            for (std::string entry; std::getline(entries, entry, ',');) {
                const size_t equals = entry.find('=');
                if (equals == std::string::npos) continue;
                const std::string name = Trim(entry.substr(0, equals));
                const std::string value = Trim(entry.substr(equals + 1));
                if (low && name.rfind("QCTRL_", 0) != 0) continue;
                auto& into = low ? lowWords : results;
                into[name] = std::isdigit(static_cast<unsigned char>(value[0]))
                                 ? static_cast<uint32_t>(std::stoul(value, nullptr, 0))
                                 : into.at(value);
            }
        }
        std::istringstream lines(source);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            std::string define, name, value;
            if (!(words >> define >> name >> value) || define != "#define") continue;
            if (value.rfind("0x", 0) != 0) continue;
            if (name.rfind("ZAN_", 0) == 0 || name.rfind("QCTRL_", 0) == 0)
                (name.rfind("QCTRL_", 0) == 0 ? lowWords : results)[name] =
                    static_cast<uint32_t>(std::stoul(value, nullptr, 16));
        }
    }
}

TEST(ResultText, EveryCodeTheHeadersNameHasATextOfItsOwn)
{
    std::map<std::string, uint32_t> results, lowWords;
    ReadCodes(results, lowWords);
    ASSERT_GE(results.size(), 30u);
    ASSERT_GE(lowWords.size(), 11u);

    // Driver codes: every NN with every model byte.
    for (const auto& model : qlcos::exposure::kModels) {
        if (model.ModelByte == 0) continue;
        for (const auto& [name, nn] : lowWords) {
            char code[16];
            std::snprintf(code, sizeof code, "%02X_", model.ModelByte);
            results[std::string("DRIVER_") + code + name] =
                0x20000000u | uint32_t{model.ModelByte} << 16 | nn;
        }
    }
    std::map<std::string, uint32_t> byText;
    for (const auto& [name, code] : results) {
        const char* text = zanResultText(code);
        ASSERT_NE(nullptr, text) << name;
        if (code == 0) {
            EXPECT_STREQ("success", text) << name;
            continue;
        }
        EXPECT_FALSE(IsUnknown(text)) << name << ": " << text;
        EXPECT_STRNE("success", text) << name;
        // Two names share a text only when they are the same value.
        const auto [at, inserted] = byText.emplace(text, code);
        EXPECT_TRUE(inserted || at->second == code) << name << " shares \"" << text << "\"";
    }

    // Driver texts name the model and the number.
    EXPECT_STREQ("LDD controller (0x39): controller error 11 (0x15)", zanResultText(0x20390015));
    EXPECT_STREQ("lamp controller 2 (0x36): no reply, or a reply of the wrong length or form "
                 "(0x07)",
                 zanResultText(0x20360007));
    // Unknown codes say so, and name their part where it can be told.
    EXPECT_STREQ("unknown result of the LED controller (0x32)", zanResultText(0x20320099));
    EXPECT_STREQ("unknown result of the serial framework", zanResultText(0x200000FF));
    EXPECT_STREQ("unknown result of the light-engine device", zanResultText(0x28110077));
    EXPECT_STREQ("unknown result of the density device", zanResultText(0x29000077));
    EXPECT_STREQ("unknown result of the X-Rite 2xx", zanResultText(0x20980001));
    EXPECT_STREQ("unknown result", zanResultText(0x12345678));
    EXPECT_STREQ("success", zanResultText(0x20390000)); // low word 0 is a success
}

} // namespace
