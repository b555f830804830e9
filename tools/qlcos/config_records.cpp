#include "config_records.h"

#include "output.h"
#include "text.h"

#include "qlcos/config.h"
#include "qlcos/machine_cfg.h"

#include <cstdlib>
#include <cstring>

using namespace xercesc;

namespace qlcos::tool {

namespace {

// The size a blob's header states; 0 when there is no header.
uint32_t StatedSize(const std::string& bytes)
{
    uint32_t size = 0;
    if (bytes.size() >= CZanConfig::kHeadSize) std::memcpy(&size, bytes.data() + 4, 4);
    return size;
}

const unsigned char* Bytes(const std::string& bytes)
{
    return reinterpret_cast<const unsigned char*>(bytes.data());
}

// Blob loading. Records with a LoadBlob of their own are bounded by the input's size; the
// fixed-size records load only a blob of exactly their size that lies whole in the input.
template <typename T> bool LoadBlobOf(T& record, const std::string& bytes)
{
    return bytes.size() <= UINT32_MAX &&
           record.LoadBlob(Bytes(bytes), static_cast<uint32_t>(bytes.size())) != 0;
}
template <typename T> bool LoadFixedBlob(T& record, const std::string& bytes, uint32_t size)
{
    return bytes.size() >= size && StatedSize(bytes) == size && record.IsValidData(Bytes(bytes)) &&
           record.LoadConfig(Bytes(bytes)) != 0;
}
bool LoadBlobOf(CZanXavenControllerCfg& record, const std::string& bytes)
{
    return LoadFixedBlob(record, bytes, CZanXavenControllerCfg::kBlobSize);
}
bool LoadBlobOf(CZanDensityCtrlCfg& record, const std::string& bytes)
{
    return LoadFixedBlob(record, bytes, CZanDensityCtrlCfg::kBlobSize);
}
bool LoadBlobOf(CZanXavenMachineCtrlCfg&, const std::string&) { return false; }

// XML export: the photo positions write their children into a "PaperSize" element.
template <typename T> bool ExportXmlOf(T& record, DOMElement* parent)
{
    return record.ExportXMLNode(parent) == 0;
}
bool ExportXmlOf(CZanXavenPhotoPositionCfg& record, DOMElement* parent)
{
    DOMElement* container = parent->getOwnerDocument()->createElement(u"PaperSize");
    parent->appendChild(container);
    return record.ExportXMLNode(container) == 0;
}

// INI: the aggregate's two forms together carry its own record, the whole controller record
// and the paper lists; the second is written last, so the controller's copies of the keys
// both write decide the file, as they do when read back.
template <typename T> void ImportIniOf(T& record, const std::string& path)
{
    record.ImportINIFile(WidePath(path).c_str());
}
template <typename T> bool ExportIniOf(T& record, const std::string& path)
{
    return record.ExportINIFile(WidePath(path).c_str()) == 0;
}
void ImportIniOf(CZanLCosCtrlCfg& record, const std::string& path)
{
    const auto wide = WidePath(path);
    record.ImportINIFile(wide.c_str());
    record.ImportINIFile2(wide.c_str());
}
bool ExportIniOf(CZanLCosCtrlCfg& record, const std::string& path)
{
    const auto wide = WidePath(path);
    return record.ExportINIFile(wide.c_str()) == 0 && record.ExportINIFile2(wide.c_str()) == 0;
}

template <typename T> void AddValuesOutsideXmlOf(const T&, std::vector<Listing>&) {}
void AddValuesOutsideXmlOf(const CZanLCosCtrlCfg& record, std::vector<Listing>& children)
{
    tagZanLCosCtrlCfgData d{};
    record.GetData(&d);
    auto number = [](double value) { return NumberText(value, 6); };
    auto three = [&](double r, double g, double b) {
        return number(r) + " " + number(g) + " " + number(b);
    };
    Listing model{"ExposureModel", {}, {}, false, {}};
    model.Values = {
        {"Channels", three(d.R_Channel, d.G_Channel, d.B_Channel)},
        {"FilterPositions", three(d.R_FilterPos, d.G_FilterPos, d.B_FilterPos)},
        {"DensityStep", number(d.DensityStep)},
        {"ColorStep", number(d.ColorStep)},
        {"StdTime", three(d.R_stdTime, d.G_stdTime, d.B_stdTime)},
        {"StdPluse", three(d.R_stdPluse, d.G_stdPluse, d.B_stdPluse)},
        {"Negative", number(d.Negative)},
        {"HorzMirror", number(d.HorzMirror)},
        {"VertMirror", number(d.VertMirror)},
        {"UseGamma", number(d.UseGamma)},
        {"UseUniform", number(d.UseUniform)},
        {"UseBalanceAdjust", number(d.UseBalanceAdjust)},
        {"ALPHAR", number(d.ALPHAR[0]) + " " + number(d.ALPHAR[1])},
        {"ALPHAG", number(d.ALPHAG[0]) + " " + number(d.ALPHAG[1])},
        {"ALPHAB", number(d.ALPHAB)},
        {"SyncExposal", number(d.SyncExposal)},
        {"SyncExposalTime", number(d.SyncExposalTime)},
        {"GammaBeeline", number(d.GammaBeeline)},
    };
    children.insert(children.begin(), std::move(model));
}

template <typename T> class RecordOf : public Record {
public:
    explicit RecordOf(const RecordKind& kind) : Record(kind), m_Object(std::make_unique<T>())
    {
        m_Object->InitData();
    }
    bool LoadBlob(const std::string& bytes) override { return LoadBlobOf(*m_Object, bytes); }
    bool ImportXml(DOMElement* element) override { return m_Object->ImportXMLNode(element) == 0; }
    void ImportIni(const std::string& path) override { ImportIniOf(*m_Object, path); }
    std::string SaveBlob() override
    {
        const uint32_t size = m_Object->GetSize();
        std::string bytes(size, '\0');
        if (size == 0 ||
            m_Object->SaveConfig(reinterpret_cast<unsigned char*>(bytes.data())) != size)
            return {};
        return bytes;
    }
    bool ExportXml(DOMElement* parent) override { return ExportXmlOf(*m_Object, parent); }
    bool ExportIni(const std::string& path) override { return ExportIniOf(*m_Object, path); }
    void AddValuesOutsideXml(std::vector<Listing>& children) const override
    {
        AddValuesOutsideXmlOf(*m_Object, children);
    }
    std::unique_ptr<T> Take() { return std::move(m_Object); }

private:
    std::unique_ptr<T> m_Object;
};

template <typename T> std::unique_ptr<Record> Make();

// clang-format off
const std::vector<RecordKind> kKinds = {
    {"QLCosCtrl", "the exposure configuration: model, controller, paper sizes and styles",
     CZanConfig::kDefaultIdentifier, {"LCosCtrl", "stdTime", "stdPluse", "ExpPaperInfo"}, nullptr,
     Make<CZanLCosCtrlCfg>},
    {"XavenController", "the light-engine controller's settings",
     CZanXavenControllerCfg::kIdentifier, {"LCosCtrl"}, "QLCosCtrl", Make<CZanXavenControllerCfg>},
    {"PrintingPaperSizeChannel", "the paper sizes",
     CZanXavenPaperSizeCfg::kIdentifier, {"ExpPaperInfo"}, "QLCosCtrl", Make<CZanXavenPaperSizeCfg>},
    {"PrintingPaperStyleChannel", "the paper styles with their gamma tables",
     CZanConfig::kDefaultIdentifier, {"ExpPaperInfo"}, "QLCosCtrl", Make<CZanXavenPaperStyleCfg>},
    {"GammaTable", "one paper style's gamma tables",
     CZanXavenGammaTableCfg::kIdentifier, {}, "PrintingPaperStyleChannel", Make<CZanXavenGammaTableCfg>},
    {"PaperSize", "one paper size's photo positions",
     CZanXavenPhotoPositionCfg::kIdentifier, {}, "PrintingPaperSizeChannel", Make<CZanXavenPhotoPositionCfg>},
    {"ColorBalanceChannel", "the colour balance settings",
     CZanConfig::kDefaultIdentifier, {}, nullptr, Make<CZanXavenColorBalanceCfg>},
    {"DensityControl", "the densitometer's settings",
     CZanDensityCtrlCfg::kIdentifier, {"DensityControl"}, nullptr, Make<CZanDensityCtrlCfg>},
    {"MachineCtrl", "the minilab machine and its paper channels",
     0, {}, nullptr, Make<CZanXavenMachineCtrlCfg>},
};
// clang-format on

template <typename T> std::unique_ptr<Record> Make()
{
    for (const RecordKind& kind : kKinds)
        if (kind.Make == &Make<T>) return std::make_unique<RecordOf<T>>(kind);
    return nullptr;
}

std::string Text(const XMLCh* text) { return Utf8(reinterpret_cast<const ZanWChar*>(text)); }

std::string Attribute(const DOMElement* element, const char16_t* name)
{
    return Text(element->getAttribute(name));
}

// An element's attributes (but the time of the export) and children; a "KeyValueList"
// becomes its channel and its points.
Listing ListElement(const DOMElement* element)
{
    Listing listing{Text(element->getNodeName()), {}, {}, false, {}};
    listing.IsPointList = EqualIgnoringCase(listing.Name, "KeyValueList");
    const DOMNamedNodeMap* attributes = element->getAttributes();
    for (XMLSize_t i = 0; attributes && i < attributes->getLength(); ++i) {
        const DOMNode* a = attributes->item(i);
        const std::string name = Text(a->getNodeName());
        if (!EqualIgnoringCase(name, "CreateTime"))
            listing.Values.emplace_back(name, Text(a->getNodeValue()));
    }
    for (const DOMElement* child = element->getFirstElementChild(); child;
         child = child->getNextElementSibling()) {
        if (listing.IsPointList)
            listing.Points.emplace_back(std::atoi(Attribute(child, u"x").c_str()),
                                        std::atoi(Attribute(child, u"y").c_str()));
        else
            listing.Children.push_back(ListElement(child));
    }
    return listing;
}

} // namespace

bool RecordKind::HasForm(ConfigForm form) const
{
    switch (form) {
    case ConfigForm::Blob: return Identifier != 0;
    case ConfigForm::Ini: return !IniSections.empty();
    case ConfigForm::Xml: return true;
    }
    return false;
}

bool RecordKind::IsCarriedBy(const RecordKind& outer) const
{
    for (const RecordKind* kind = this; kind->PartOf;) {
        if (EqualIgnoringCase(kind->PartOf, outer.Element)) return true;
        kind = FindRecordKind(kind->PartOf);
        if (!kind) break;
    }
    return false;
}

const std::vector<RecordKind>& RecordKinds() { return kKinds; }

const RecordKind* FindRecordKind(const std::string& element)
{
    for (const RecordKind& kind : kKinds)
        if (EqualIgnoringCase(kind.Element, element)) return &kind;
    return nullptr;
}

std::string RecordKindNames()
{
    std::vector<std::string> names;
    for (const RecordKind& kind : kKinds) names.push_back(kind.Element);
    return Joined(names);
}

DOMDocument* NewServerDocument()
{
    DOMImplementation* dom = DOMImplementationRegistry::getDOMImplementation(u"LS");
    return dom->createDocument(nullptr, u"XavenServer", nullptr);
}

Listing ListRecord(Record& record, bool withValuesOutsideXml)
{
    std::unique_ptr<DOMDocument, void (*)(DOMDocument*)> document(
        NewServerDocument(), [](DOMDocument* d) { d->release(); });
    DOMElement* root = document->getDocumentElement();
    Listing listing{record.Kind().Element, {}, {}, false, {}};
    if (record.ExportXml(root) && root->getLastElementChild())
        listing = ListElement(root->getLastElementChild());
    if (withValuesOutsideXml) record.AddValuesOutsideXml(listing.Children);
    return listing;
}

std::unique_ptr<CZanLCosCtrlCfg> TakeExposureConfig(std::unique_ptr<Record> record)
{
    auto* exposure = dynamic_cast<RecordOf<CZanLCosCtrlCfg>*>(record.get());
    return exposure ? exposure->Take() : nullptr;
}

} // namespace qlcos::tool
