// The exposure configuration as a host keeps it: the "QLCosCtrl" element of an XML document
// loaded into CZanLCosCtrlCfg, saved as a binary blob, as INI sections and as XML again, and
// each form read back into a fresh record and compared.
//
//   config_roundtrip XML-FILE OUTPUT-FOLDER
//
// XML-FILE is a document whose root holds a "QLCosCtrl" element (data/exposure.xml of the
// source tree is one); exposure.bin, exposure.ini and exposure.xml are written to
// OUTPUT-FOLDER. Exits 0 when every form read back agrees.
//
// Xerces-C is the host's to set up: XMLPlatformUtils::Initialize before the first DOM call,
// Terminate after the last DOM object is gone.
#include <qlcos/config.h>

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/LocalFileFormatTarget.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XMLString.hpp>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

using namespace xercesc;
using Bytes = std::vector<unsigned char>;

// The library's wide text and Xerces' are the same 16-bit type.
static_assert(std::is_same<XMLCh, ZanWChar>::value, "XMLCh is ZanWChar");

namespace {

// A UTF-8 text (a path from the command line) as UTF-16, converted by Xerces.
std::u16string Wide(const std::string& utf8)
{
    TranscodeFromStr wide(reinterpret_cast<const XMLByte*>(utf8.data()), utf8.size(), "UTF-8");
    return std::u16string(wide.str(), wide.length());
}

bool Fail(const std::string& what)
{
    std::fprintf(stderr, "config_roundtrip: %s\n", what.c_str());
    return false;
}

// The record's blob, taken under its lock.
Bytes Blob(CZanLCosCtrlCfg& cfg)
{
    Bytes blob(cfg.GetSize());
    blob.resize(cfg.SaveBlob(blob.data(), static_cast<uint32_t>(blob.size())));
    return blob;
}

// The first child element of `parent` named `name` (letter case aside, as the library
// compares XML names), or null.
DOMElement* Child(DOMNode* parent, const XMLCh* name)
{
    for (DOMNode* n = parent->getFirstChild(); n; n = n->getNextSibling())
        if (n->getNodeType() == DOMNode::ELEMENT_NODE &&
            XMLString::compareIString(n->getNodeName(), name) == 0)
            return static_cast<DOMElement*>(n);
    return nullptr;
}

// Parses `path`; the parser owns the document.
DOMDocument* Parse(XercesDOMParser& parser, const std::string& path)
{
    parser.setCreateEntityReferenceNodes(false);
    parser.parse(path.c_str());
    return parser.getErrorCount() == 0 ? parser.getDocument() : nullptr;
}

// The paper sizes' names, to compare and print.
std::string PaperSizes(CZanLCosCtrlCfg& cfg)
{
    std::vector<tagZanExpPaperSizeInfo> sizes(cfg.GetPaperSizeList(nullptr, 0));
    cfg.GetPaperSizeList(sizes.data(), static_cast<int>(sizes.size()));
    std::string names;
    for (const tagZanExpPaperSizeInfo& s : sizes) {
        names += names.empty() ? "" : ", ";
        for (const ZanWChar* c = s.Name; *c; ++c) names += *c < 0x80 ? static_cast<char>(*c) : '?';
    }
    return names;
}

bool Run(const std::string& xmlPath, const std::string& folder)
{
    // XML: the "QLCosCtrl" element below the document's root.
    XercesDOMParser parser;
    DOMDocument* document = Parse(parser, xmlPath);
    if (!document) return Fail("cannot read " + xmlPath + " as XML");
    DOMElement* element = Child(document->getDocumentElement(), ZT("QLCosCtrl"));
    if (!element) return Fail(xmlPath + " has no \"QLCosCtrl\" element below its root");
    CZanLCosCtrlCfg cfg;
    cfg.InitData(); // the model's own parameters, which the XML form does not carry
    if (cfg.ImportXMLNode(element) != 0) return Fail("the \"QLCosCtrl\" element was refused");
    tagZanVirtualDeviceProperty property{};
    cfg.GetZanVirtualDeviceProperty(&property);
    const Bytes blob = Blob(cfg);
    std::printf("loaded %s: controller type %u on port %d at %d baud; paper sizes %s; "
                "%d paper styles; blob of %zu bytes\n",
                xmlPath.c_str(), property.DeviceType, property.Port.Port, property.Port.BaudRate,
                PaperSizes(cfg).c_str(), cfg.GetPaperStyleList(nullptr, 0), blob.size());

    // Blob: written to a file, read back into a fresh record, saved again byte for byte.
    const std::string blobPath = folder + "/exposure.bin";
    std::ofstream out(blobPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(blob.data()),
              static_cast<std::streamsize>(blob.size()));
    out.close();
    if (!out) return Fail("cannot write " + blobPath);
    std::ifstream in(blobPath, std::ios::binary);
    const Bytes stored{std::istreambuf_iterator<char>(in), {}};
    CZanLCosCtrlCfg fromBlob;
    if (fromBlob.LoadBlob(stored.data(), static_cast<uint32_t>(stored.size())) != stored.size())
        return Fail("the blob in " + blobPath + " was refused");
    if (Blob(fromBlob) != blob) return Fail("the blob read back differs");
    std::printf("blob  %s: read back, identical\n", blobPath.c_str());

    // INI: both forms into one file (the model's parameters with the device property, and the
    // controller record), read back. INI keeps paper lists and the device property whole.
    const std::string iniPath = folder + "/exposure.ini";
    const std::u16string iniWide = Wide(iniPath);
    if (cfg.ExportINIFile(iniWide.c_str()) != 0 || cfg.ExportINIFile2(iniWide.c_str()) != 0)
        return Fail("cannot write " + iniPath);
    CZanLCosCtrlCfg fromIni;
    fromIni.InitData();
    if ((fromIni.ImportINIFile(iniWide.c_str()) | fromIni.ImportINIFile2(iniWide.c_str())) != 0)
        return Fail("cannot read " + iniPath);
    tagZanVirtualDeviceProperty iniProperty{};
    fromIni.GetZanVirtualDeviceProperty(&iniProperty);
    if (PaperSizes(fromIni) != PaperSizes(cfg) ||
        fromIni.GetPaperStyleList(nullptr, 0) != cfg.GetPaperStyleList(nullptr, 0) ||
        std::memcmp(&iniProperty, &property, sizeof property) != 0)
        return Fail("the INI file read back differs");
    std::printf("INI   %s: read back, paper lists and device property agree\n", iniPath.c_str());

    // XML: the record read from the blob exported into a new "XavenServer" document, written
    // to a file, parsed and imported again.
    const std::string outPath = folder + "/exposure.xml";
    {
        DOMImplementation* dom = DOMImplementationRegistry::getDOMImplementation(ZT("LS"));
        std::unique_ptr<DOMDocument, void (*)(DOMDocument*)> out(
            dom->createDocument(nullptr, ZT("XavenServer"), nullptr),
            [](DOMDocument* d) { d->release(); });
        if (fromBlob.ExportXMLNode(out->getDocumentElement()) != 0)
            return Fail("cannot export the record as XML");
        std::unique_ptr<DOMLSSerializer, void (*)(DOMLSSerializer*)> writer(
            dom->createLSSerializer(), [](DOMLSSerializer* w) { w->release(); });
        writer->getDomConfig()->setParameter(XMLUni::fgDOMWRTFormatPrettyPrint, true);
        if (!writer->writeToURI(out.get(), Wide(outPath).c_str()))
            return Fail("cannot write " + outPath);
    }
    XercesDOMParser reparser;
    DOMDocument* reread = Parse(reparser, outPath);
    DOMElement* again = reread ? Child(reread->getDocumentElement(), ZT("QLCosCtrl")) : nullptr;
    CZanLCosCtrlCfg fromXml;
    fromXml.InitData();
    if (!again || fromXml.ImportXMLNode(again) != 0) return Fail("cannot read back " + outPath);
    if (Blob(fromXml) != blob) return Fail("the XML read back differs");
    std::printf("XML   %s: read back, identical\n", outPath.c_str());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::printf("usage: config_roundtrip XML-FILE OUTPUT-FOLDER\n");
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "config_roundtrip: expects two arguments, XML-FILE OUTPUT-FOLDER\n");
        return 2;
    }
    try {
        XMLPlatformUtils::Initialize();
    } catch (const XMLException&) {
        std::fprintf(stderr, "config_roundtrip: Xerces-C could not be initialised\n");
        return 1;
    }
    const bool ok = Run(argv[1], argv[2]); // every DOM object is gone when Run returns
    XMLPlatformUtils::Terminate();
    std::printf("%s\n", ok ? "configuration: every form read back" : "configuration: FAILED");
    return ok ? 0 : 1;
}
