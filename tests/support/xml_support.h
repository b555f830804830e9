// Parsing literal XML documents and serialising DOM trees with Xerces-C, for the tests.
#pragma once

#include "platform/text_utf.h"

#include <gtest/gtest.h>

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/LocalFileFormatTarget.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <memory>
#include <string>

namespace qlcos::test {

// Owns a parsed document (through its parser) or a created one.
class XmlDocument {
public:
    // Parses `xml`; Document() is null when it is not well-formed.
    static XmlDocument Parse(const std::string& xml)
    {
        XmlDocument d;
        d.m_Parser = std::make_unique<xercesc::XercesDOMParser>();
        d.m_Parser->setDoNamespaces(false);
        xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(xml.data()), xml.size(),
                                          "test");
        d.m_Parser->parse(source);
        if (d.m_Parser->getErrorCount() == 0) d.m_Document = d.m_Parser->getDocument();
        return d;
    }
    // Parses the file at `path`; Document() is null when it is missing or not well-formed.
    static XmlDocument ParseFile(const std::string& path)
    {
        XmlDocument d;
        d.m_Parser = std::make_unique<xercesc::XercesDOMParser>();
        d.m_Parser->setDoNamespaces(false);
        d.m_Parser->parse(path.c_str());
        if (d.m_Parser->getErrorCount() == 0) d.m_Document = d.m_Parser->getDocument();
        return d;
    }
    // A new document whose root element is `root`.
    static XmlDocument Create(const char* root)
    {
        XmlDocument d;
        static const XMLCh ls[] = {'L', 'S', 0};
        xercesc::DOMImplementation* impl =
            xercesc::DOMImplementationRegistry::getDOMImplementation(ls);
        std::u16string name = qlcos::unicode::FromUtf8(std::string(root));
        d.m_Document = impl->createDocument(nullptr, name.c_str(), nullptr);
        d.m_Owned = true;
        return d;
    }
    XmlDocument() = default;
    XmlDocument(XmlDocument&& o) noexcept { *this = std::move(o); }
    XmlDocument& operator=(XmlDocument&& o) noexcept
    {
        std::swap(m_Parser, o.m_Parser);
        std::swap(m_Document, o.m_Document);
        std::swap(m_Owned, o.m_Owned);
        return *this;
    }
    ~XmlDocument()
    {
        if (m_Owned && m_Document) m_Document->release();
    }

    xercesc::DOMDocument* Document() const { return m_Document; }
    xercesc::DOMElement* Root() const
    {
        return m_Document ? m_Document->getDocumentElement() : nullptr;
    }

private:
    std::unique_ptr<xercesc::XercesDOMParser> m_Parser;
    xercesc::DOMDocument* m_Document = nullptr;
    bool m_Owned = false;
};

// The node serialised as XML text (UTF-8) through DOMLSSerializer.
inline std::string Serialize(const xercesc::DOMNode* node)
{
    static const XMLCh ls[] = {'L', 'S', 0};
    xercesc::DOMImplementationLS* impl = static_cast<xercesc::DOMImplementationLS*>(
        xercesc::DOMImplementationRegistry::getDOMImplementation(ls));
    xercesc::DOMLSSerializer* serializer = impl->createLSSerializer();
    XMLCh* text = serializer->writeToString(node);
    std::string out = qlcos::unicode::ToUtf8(text);
    xercesc::XMLString::release(&text);
    serializer->release();
    return out;
}

// Writes the node as an XML file (UTF-8) through DOMLSSerializer; false on failure.
inline bool WriteXmlFile(const xercesc::DOMNode* node, const std::string& path)
{
    static const XMLCh ls[] = {'L', 'S', 0};
    xercesc::DOMImplementationLS* impl = static_cast<xercesc::DOMImplementationLS*>(
        xercesc::DOMImplementationRegistry::getDOMImplementation(ls));
    xercesc::DOMLSSerializer* serializer = impl->createLSSerializer();
    xercesc::DOMLSOutput* output = impl->createLSOutput();
    xercesc::LocalFileFormatTarget target(path.c_str());
    output->setByteStream(&target);
    bool ok = serializer->write(node, output);
    output->release();
    serializer->release();
    return ok;
}

// The first child element of `parent` called `name` (exact), or null.
inline xercesc::DOMElement* FirstChild(const xercesc::DOMNode* parent, const char* name)
{
    std::u16string wanted = qlcos::unicode::FromUtf8(std::string(name));
    for (xercesc::DOMNode* c = parent ? parent->getFirstChild() : nullptr; c;
         c = c->getNextSibling()) {
        if (c->getNodeType() == xercesc::DOMNode::ELEMENT_NODE && wanted == c->getNodeName())
            return static_cast<xercesc::DOMElement*>(c);
    }
    return nullptr;
}

// Text of the attribute `name` of `element` ("" when absent).
inline std::string Attribute(const xercesc::DOMElement* element, const char* name)
{
    std::u16string n = qlcos::unicode::FromUtf8(std::string(name));
    return element ? qlcos::unicode::ToUtf8(element->getAttribute(n.c_str())) : std::string();
}

// Initialises Xerces once for the whole test program, as the host does.
class XercesEnvironment : public ::testing::Environment {
public:
    void SetUp() override { xercesc::XMLPlatformUtils::Initialize(); }
    void TearDown() override { xercesc::XMLPlatformUtils::Terminate(); }
};

} // namespace qlcos::test
