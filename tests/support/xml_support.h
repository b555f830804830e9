// Parsing literal XML documents and serialising DOM trees with Xerces-C, for the tests.
#pragma once

#include "platform/text_utf.h"

#include <gtest/gtest.h>

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <memory>
#include <string>

namespace qlcos::test {

// A document parsed from `xml`, owned through its parser. Text that is not well-formed fails
// the test and leaves Document() null.
class XmlDocument {
public:
    explicit XmlDocument(const std::string& xml)
        : m_Parser(std::make_unique<xercesc::XercesDOMParser>())
    {
        xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(xml.data()), xml.size(),
                                          "test");
        m_Parser->parse(source);
        EXPECT_EQ(m_Parser->getErrorCount(), 0u) << xml;
        if (m_Parser->getErrorCount() == 0) m_Document = m_Parser->getDocument();
    }

    xercesc::DOMDocument* Document() const { return m_Document; }
    xercesc::DOMElement* Root() const
    {
        return m_Document ? m_Document->getDocumentElement() : nullptr;
    }

private:
    std::unique_ptr<xercesc::XercesDOMParser> m_Parser;
    xercesc::DOMDocument* m_Document = nullptr;
};

// Xerces' text as the library's wide text: the same UTF-16 units (XMLCh is char16_t, the
// library's text wchar_t on Windows).
inline ZanString Wide(const XMLCh* text)
{
    ZanString out;
    for (; text && *text; ++text) out += static_cast<ZanWChar>(*text);
    return out;
}
inline std::string XmlUtf8(const XMLCh* text) { return qlcos::unicode::ToUtf8(Wide(text).c_str()); }

// The node serialised as XML text (UTF-8) through DOMLSSerializer.
inline std::string Serialize(const xercesc::DOMNode* node)
{
    static const XMLCh ls[] = {'L', 'S', 0};
    xercesc::DOMLSSerializer* serializer =
        xercesc::DOMImplementationRegistry::getDOMImplementation(ls)->createLSSerializer();
    XMLCh* text = serializer->writeToString(node);
    std::string out = XmlUtf8(text);
    xercesc::XMLString::release(&text);
    serializer->release();
    return out;
}

// Initialises Xerces once for the whole test program that includes this, as the host does.
class XercesEnvironment : public ::testing::Environment {
public:
    void SetUp() override { xercesc::XMLPlatformUtils::Initialize(); }
    void TearDown() override { xercesc::XMLPlatformUtils::Terminate(); }
};
inline ::testing::Environment* const g_XercesEnvironment =
    ::testing::AddGlobalTestEnvironment(new XercesEnvironment);

} // namespace qlcos::test
