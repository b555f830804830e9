// Fuzzes every record's XML import: the input is parsed as a document (no DTD or entity
// from outside is ever loaded), and each node of it is handed to every record's
// ImportXMLNode. What a record read is exported, imported into a new record and exported
// again: both exports must hold the same elements and attributes.
#include "qlcos/config.h"
#include "qlcos/machine_cfg.h"
#include "platform/text_utf.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/EntityResolver.hpp>
#include <xercesc/sax/HandlerBase.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace xercesc;

namespace {

// Nodes of one input handed to the records, in document order.
const int kMaxNodes = 512;

// Every entity the document names resolves to nothing: no file or network access.
class NoEntities : public EntityResolver {
public:
    InputSource* resolveEntity(const XMLCh* const, const XMLCh* const) override
    {
        static const XMLByte kNothing[1] = {0};
        return new MemBufInputSource(kNothing, 0, "nothing");
    }
};

// Parse errors only mean the input is no document.
class QuietErrors : public HandlerBase {
public:
    void warning(const SAXParseException&) override {}
    void error(const SAXParseException&) override {}
    void fatalError(const SAXParseException&) override {}
};

struct Xerces {
    Xerces()
    {
        XMLPlatformUtils::Initialize();
        security.setEntityExpansionLimit(1000);
        parser = new XercesDOMParser;
        parser->setValidationScheme(XercesDOMParser::Val_Never);
        parser->setDoNamespaces(false);
        parser->setDoSchema(false);
        parser->setLoadExternalDTD(false);
        parser->setSkipDTDValidation(true);
        parser->setDisableDefaultEntityResolution(true);
        parser->setCreateEntityReferenceNodes(false);
        parser->setEntityResolver(&entities);
        parser->setErrorHandler(&errors);
        parser->setSecurityManager(&security);
        static const XMLCh kCore[] = {'C', 'o', 'r', 'e', 0};
        implementation = DOMImplementationRegistry::getDOMImplementation(kCore);
    }
    SecurityManager security;
    NoEntities entities;
    QuietErrors errors;
    XercesDOMParser* parser;
    DOMImplementation* implementation;
};

Xerces& TheXerces()
{
    static Xerces* xerces = new Xerces; // lives as long as the process
    return *xerces;
}

[[noreturn]] void Fail(const char* what, const std::string& first, const std::string& second)
{
    std::fprintf(stderr, "%s\nfirst:  %s\nsecond: %s\n", what, first.c_str(), second.c_str());
    std::abort();
}

std::string Utf8(const XMLCh* text)
{
    return qlcos::unicode::ToUtf8(reinterpret_cast<const ZanWChar*>(text));
}

// The element's name, attributes (but the time it was written) and child elements.
std::string Describe(const DOMNode* node)
{
    if (!node || node->getNodeType() != DOMNode::ELEMENT_NODE) return "";
    std::string text = "<" + Utf8(node->getNodeName());
    if (const DOMNamedNodeMap* attributes = node->getAttributes()) {
        for (XMLSize_t i = 0; i < attributes->getLength(); ++i) {
            const DOMNode* a = attributes->item(i);
            const std::string name = Utf8(a->getNodeName());
            if (name != "CreateTime") text += " " + name + "=\"" + Utf8(a->getNodeValue()) + "\"";
        }
    }
    text += ">";
    for (const DOMNode* c = node->getFirstChild(); c; c = c->getNextSibling()) text += Describe(c);
    return text + "</>";
}

DOMElement* Container(DOMDocument* out, const char* name)
{
    XMLCh wide[32];
    XMLString::transcode(name, wide, 31);
    DOMElement* element = out->createElement(wide);
    out->getDocumentElement()->appendChild(element);
    return element;
}

// The record element `name`, without regard to letter case as the records read names.
bool Named(const DOMNode* node, const char* name)
{
    if (!node || node->getNodeType() != DOMNode::ELEMENT_NODE) return false;
    const std::string actual = Utf8(node->getNodeName());
    if (actual.size() != std::strlen(name)) return false;
    for (size_t i = 0; i < actual.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(actual[i])) !=
            std::tolower(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

// Hands `node` to the record's import. When it is the record's element `name` (or the root,
// so that a record that read nothing is exported too), the record is exported into a new
// `container` element of `out` and, when the import succeeded, the export must import into
// a record that exports the same. With `exportIsContainer` the record writes its children
// into the container (the photo positions of a "PaperSize"). A record's defaults need not
// survive the trip: an empty text exports as "", which reads as a missing attribute.
template <typename Record>
void RoundTrip(DOMNode* node, bool root, DOMDocument* out, const char* name, const char* container,
               bool exportIsContainer)
{
    Record record;
    const bool imported = record.ImportXMLNode(node) == 0;
    if (!root && !Named(node, name)) return;
    DOMElement* first = Container(out, container);
    if (record.ExportXMLNode(first) != 0 || !imported) return;
    DOMNode* exported = exportIsContainer ? first : first->getLastChild();
    Record again;
    again.ImportXMLNode(exported);
    DOMElement* second = Container(out, container);
    if (again.ExportXMLNode(second) != 0) Fail("an export did not export again", "", "");
    const std::string a = Describe(first), b = Describe(second);
    if (a != b) Fail("an exported element imports differently", a, b);
}

void ImportEverywhere(DOMNode* node, bool root, DOMDocument* out)
{
    // clang-format off
    RoundTrip<CZanXavenControllerCfg>(node, root, out,    "XavenController",           "Fuzz",        false);
    RoundTrip<CZanXavenGammaTableCfg>(node, root, out,    "GammaTable",                "Fuzz",        false);
    RoundTrip<CZanXavenColorBalanceCfg>(node, root, out,  "ColorBalanceChannel",       "Fuzz",        false);
    RoundTrip<CZanXavenPaperSizeCfg>(node, root, out,     "PrintingPaperSizeChannel",  "Fuzz",        false);
    RoundTrip<CZanXavenPaperStyleCfg>(node, root, out,    "PrintingPaperStyleChannel", "Fuzz",        false);
    RoundTrip<CZanXavenPhotoPositionCfg>(node, root, out, "PaperSize",                 "PaperSize",   true);
    RoundTrip<CZanLCosCtrlCfg>(node, root, out,           "QLCosCtrl",                 "XavenServer", false);
    RoundTrip<CZanDensityCtrlCfg>(node, root, out,        "DensityControl",            "Fuzz",        false);
    RoundTrip<CZanXavenMachineCtrlCfg>(node, root, out,   "MachineCtrl",               "Fuzz",        false);
    // clang-format on
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Xerces& xerces = TheXerces();
    MemBufInputSource source(data, size, "input", false);
    try {
        xerces.parser->parse(source);
    } catch (...) {
        xerces.parser->resetDocumentPool();
        return 0;
    }
    DOMDocument* document = xerces.parser->getDocument();
    if (document && document->getDocumentElement()) {
        static const XMLCh kRoot[] = {'F', 'u', 'z', 'z', 0};
        DOMDocument* out = xerces.implementation->createDocument(nullptr, kRoot, nullptr);
        int visited = 0;
        // Document order: the root, then each node's children before its next sibling.
        DOMNode* const root = document->getDocumentElement();
        DOMNode* node = root;
        while (node && visited++ < kMaxNodes) {
            ImportEverywhere(node, node == root, out);
            if (node->getFirstChild()) {
                node = node->getFirstChild();
                continue;
            }
            while (node && !node->getNextSibling()) node = node->getParentNode();
            if (node) node = node->getNextSibling();
        }
        out->release();
    }
    xerces.parser->resetDocumentPool();
    return 0;
}
