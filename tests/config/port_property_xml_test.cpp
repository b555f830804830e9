// The "PortProperty" element of the serial-port property.
#include "qlcos/config.h"

#include "support/files.h"
#include "support/xml_support.h"

#include <cstring>

using qlcos::test::Attribute;
using qlcos::test::FirstChild;
using qlcos::test::XmlDocument;

TEST(PortPropertyXml, WrittenWordsReadBack)
{
    XmlDocument doc = XmlDocument::Create("DensityControl");
    const tagZANSerialPortProperty written{12, -1, 115200, 7, -5, 2147483647};
    EXPECT_NE(zanXMLSetSerialPortProperty(doc.Root(), &written), 0);
    xercesc::DOMElement* e = FirstChild(doc.Root(), "PortProperty");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(Attribute(e, "Port"), "12");
    EXPECT_EQ(Attribute(e, "Second"), "-1");
    EXPECT_EQ(Attribute(e, "BaudRate"), "115200");
    EXPECT_EQ(Attribute(e, "DataBits"), "7");
    EXPECT_EQ(Attribute(e, "Reserved1"), "-5");
    EXPECT_EQ(Attribute(e, "Reserved2"), "2147483647");

    XmlDocument reparsed = XmlDocument::Parse(qlcos::test::Serialize(doc.Document()));
    ASSERT_NE(reparsed.Root(), nullptr);
    tagZANSerialPortProperty read{};
    EXPECT_NE(zanXMLGetSerialPortProperty(FirstChild(reparsed.Root(), "PortProperty"), &read), 0);
    EXPECT_EQ(std::memcmp(&read, &written, sizeof read), 0);

    EXPECT_EQ(zanXMLSetSerialPortProperty(nullptr, &written), 0);
    EXPECT_EQ(zanXMLSetSerialPortProperty(doc.Root(), nullptr), 0);
}

TEST(PortPropertyXml, IncompleteOrMalformedElementsAreRefusedUntouched)
{
    const char* bad[] = {
        R"(<PortProperty Port="1" Second="-1" BaudRate="9600" DataBits="8" Reserved1="0"/>)",
        R"(<PortProperty Port="1" Second="-1" BaudRate="9600" DataBits="8" Reserved1="0" Reserved2=""/>)",
        R"(<PortProperty Port="1x" Second="-1" BaudRate="9600" DataBits="8" Reserved1="0" Reserved2="0"/>)",
        R"(<PortProperty Port="1" Second="4294967295" BaudRate="9600" DataBits="8" Reserved1="0" Reserved2="0"/>)",
        R"(<Port Port="1" Second="-1" BaudRate="9600" DataBits="8" Reserved1="0" Reserved2="0"/>)",
    };
    for (const char* xml : bad) {
        XmlDocument doc = XmlDocument::Parse(xml);
        ASSERT_NE(doc.Root(), nullptr) << xml;
        tagZANSerialPortProperty p{7, 7, 7, 7, 7, 7};
        EXPECT_EQ(zanXMLGetSerialPortProperty(doc.Root(), &p), 0) << xml;
        EXPECT_EQ(p.Port, 7);
        EXPECT_EQ(p.Reserved1, 7);
    }
    XmlDocument ok = XmlDocument::Parse(
        R"(<portproperty PORT=" 3 " second="-1" baudrate="+4800" databits="8" reserved1="0" reserved2="-0"/>)");
    tagZANSerialPortProperty p{};
    EXPECT_NE(zanXMLGetSerialPortProperty(ok.Root(), &p), 0);
    EXPECT_EQ(p.Port, 3);
    EXPECT_EQ(p.BaudRate, 4800);
    EXPECT_EQ(zanXMLGetSerialPortProperty(nullptr, &p), 0);
    EXPECT_EQ(zanXMLGetSerialPortProperty(ok.Root(), nullptr), 0);
}
