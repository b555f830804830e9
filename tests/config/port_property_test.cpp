// The serial-port property as an INI section and as a "PortProperty" element: six whole
// decimal numbers, read only when all six are.
#include "qlcos/config.h"

#include "support/files.h"
#include "support/xml_support.h"

#include <array>
#include <cstring>

using namespace qlcos::test;
using Port = tagZANSerialPortProperty;

namespace {

bool Same(const Port& a, const Port& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The texts of Port, Second, BaudRate, DataBits, Reserved1 and Reserved2; null leaves one out.
using Words = std::array<const char*, 6>;
const Words kNames = {"port", "second", "baudrate", "databits", "reserved1", "reserved2"};

std::string Ini(const Words& words)
{
    std::string text = "[S]\n";
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i]) text += std::string(kNames[i]) + "=" + words[i] + "\n";
    return text;
}

std::string Xml(const std::string& element, const Words& words)
{
    std::string text = "<" + element;
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i]) text += " " + std::string(kNames[i]) + "=\"" + words[i] + "\"";
    return text + "/>";
}

} // namespace

TEST(PortProperty, WrittenWordsReadBackAndOnlySixWholeNumbersAreRead)
{
    TempFolder folder;
    const ZanString path = folder.WideFile("p.ini");
    const Port low{2, -1, 9600, 8, 0, -2147483647 - 1};
    EXPECT_NE(zanSetSerialPortPropertyToINI(path.c_str(), ZT("DensityControl"), &low), 0);
    Port read{};
    EXPECT_NE(zanGetSerialPortPropertyFromINI(path.c_str(), ZT("densitycontrol"), &read), 0);
    EXPECT_TRUE(Same(read, low));
    EXPECT_EQ(zanSetSerialPortPropertyToINI(folder.WideFile("x/p.ini").c_str(), ZT("S"), &low), 0);
    EXPECT_EQ(zanSetSerialPortPropertyToINI(path.c_str(), ZT("S"), nullptr), 0);

    XmlDocument doc("<DensityControl/>");
    const Port high{12, -1, 115200, 7, -5, 2147483647};
    EXPECT_NE(zanXMLSetSerialPortProperty(doc.Root(), &high), 0);
    XmlDocument reparsed(Serialize(doc.Document()));
    EXPECT_NE(zanXMLGetSerialPortProperty(reparsed.Root()->getFirstChild(), &read), 0);
    EXPECT_TRUE(Same(read, high));
    EXPECT_EQ(zanXMLSetSerialPortProperty(nullptr, &high), 0);
    EXPECT_EQ(zanXMLSetSerialPortProperty(doc.Root(), nullptr), 0);

    // Incomplete or malformed words are refused and leave the record untouched.
    const Words bad[] = {
        {"1", "-1", "9600", "8", "0", nullptr},     // a word missing
        {"1", "-1", "9600", "8", "0", ""},          // empty
        {"1", "-1", "9600 baud", "8", "0", "0"},    // not a whole number
        {"1", "4294967295", "9600", "8", "0", "0"}, // beyond 32 bits
    };
    const Port untouched{7, 7, 7, 7, 7, 7};
    for (const Words& words : bad) {
        folder.Write("p.ini", Ini(words));
        XmlDocument doc(Xml("PortProperty", words));
        Port fromIni = untouched, fromXml = untouched;
        EXPECT_EQ(zanGetSerialPortPropertyFromINI(path.c_str(), ZT("S"), &fromIni), 0)
            << Ini(words);
        EXPECT_EQ(zanXMLGetSerialPortProperty(doc.Root(), &fromXml), 0) << Xml("P", words);
        EXPECT_TRUE(Same(fromIni, untouched) && Same(fromXml, untouched));
    }

    // Spaces and signs around whole numbers are fine, names in any letter case.
    const Words good = {" 3 ", "-1", "+4800", "7", "1", "-0"};
    const Port expected{3, -1, 4800, 7, 1, 0};
    folder.Write("p.ini", Ini(good));
    Port p{};
    EXPECT_NE(zanGetSerialPortPropertyFromINI(path.c_str(), ZT("S"), &p), 0);
    EXPECT_TRUE(Same(p, expected));
    XmlDocument ok(Xml("portproperty", good));
    p = {};
    EXPECT_NE(zanXMLGetSerialPortProperty(ok.Root(), &p), 0);
    EXPECT_TRUE(Same(p, expected));

    // Another section or element name, null arguments.
    EXPECT_EQ(zanGetSerialPortPropertyFromINI(path.c_str(), ZT("Nowhere"), &p), 0);
    EXPECT_EQ(zanGetSerialPortPropertyFromINI(nullptr, ZT("S"), &p), 0);
    XmlDocument other(Xml("Port", good));
    EXPECT_EQ(zanXMLGetSerialPortProperty(other.Root(), &p), 0);
    EXPECT_EQ(zanXMLGetSerialPortProperty(nullptr, &p), 0);
    EXPECT_EQ(zanXMLGetSerialPortProperty(ok.Root(), nullptr), 0);
    EXPECT_TRUE(Same(p, expected));
}
