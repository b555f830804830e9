#include "config_loading.h"

#include "failure.h"
#include "output_file.h"
#include "text.h"

#include <cctype>
#include <cstdio>
#include <cstring>

using namespace xercesc;

namespace qlcos::tool {

namespace {

bool HasIniSectionOf(const RecordKind& kind, const std::vector<std::string>& sections)
{
    for (const char* wanted : kind.IniSections)
        for (const std::string& section : sections)
            if (EqualIgnoringCase(section, wanted)) return true;
    return false;
}

const RecordKind* KindOf(const DOMNode* node)
{
    if (!node || node->getNodeType() != DOMNode::ELEMENT_NODE) return nullptr;
    return FindRecordKind(Utf8(reinterpret_cast<const ZanWChar*>(node->getNodeName())));
}

bool CarriedByAnOuterRecord(const DOMElement* element, const RecordKind& kind)
{
    for (const DOMNode* outer = element->getParentNode(); outer; outer = outer->getParentNode())
        if (const RecordKind* outerKind = KindOf(outer); outerKind && kind.IsCarriedBy(*outerKind))
            return true;
    return false;
}

void LoadBlobRecord(const std::string& path, const std::string& bytes, const RecordKind* only,
                    ConfigContent& content)
{
    content.Header = ReadBlobHeader(bytes);
    if (!content.Header)
        throw Failure(ExitCode::File, path + ": too short for a configuration blob (" +
                                          std::to_string(bytes.size()) + " bytes)");
    const uint32_t identifier = content.Header->Identifier;
    std::string tried;
    for (const RecordKind& kind : RecordKinds()) {
        if (kind.Identifier != identifier || (only && only != &kind)) continue;
        std::unique_ptr<Record> record = kind.Make();
        if (record->LoadBlob(bytes)) {
            content.Records.push_back(std::move(record));
            return;
        }
        tried += (tried.empty() ? "" : " or ") + std::string(kind.Element);
    }
    if (only && tried.empty())
        throw Failure(ExitCode::File, path + ": a blob with identifier " +
                                          IdentifierText(identifier) + ", not of " + only->Element);
    if (tried.empty())
        throw Failure(ExitCode::File,
                      path + ": unknown blob identifier " + IdentifierText(identifier));
    throw Failure(ExitCode::File, path + ": damaged: not accepted as a blob of " + tried);
}

void LoadIniRecords(const std::string& path, const std::string& bytes, const RecordKind* only,
                    ConfigContent& content)
{
    for (const RecordKind* kind : IniRecordKinds(IniSectionNames(bytes), only)) {
        std::unique_ptr<Record> record = kind->Make();
        record->ImportIni(path);
        content.Records.push_back(std::move(record));
    }
    if (content.Records.empty())
        throw Failure(ExitCode::File, path + ": no section of " +
                                          (only ? std::string(only->Element) : "any record") +
                                          " in the INI file");
}

void LoadXmlRecords(const std::string& path, const RecordKind* only, ConfigContent& content)
{
    XmlFile xml(path);
    for (const auto& [kind, element] : RecordElements(xml.Document()->getDocumentElement(), only)) {
        std::unique_ptr<Record> record = kind->Make();
        if (!record->ImportXml(element))
            throw Failure(ExitCode::File,
                          path + ": the \"" + kind->Element + "\" element cannot be read");
        content.Records.push_back(std::move(record));
    }
    if (content.Records.empty())
        throw Failure(ExitCode::File,
                      path + ": no \"" +
                          (only ? std::string(only->Element) + "\" element"
                                : std::string("record element (") + RecordKindNames() + ")") +
                          " in it");
}

} // namespace

std::optional<BlobHeader> ReadBlobHeader(const std::string& bytes)
{
    if (bytes.size() < CZanConfig::kHeadSize) return std::nullopt;
    BlobHeader header{};
    std::memcpy(&header.Identifier, bytes.data(), 4);
    std::memcpy(&header.Size, bytes.data() + 4, 4);
    std::memcpy(&header.HeadSize, bytes.data() + 8, 4);
    return header;
}

std::string IdentifierText(uint32_t identifier)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", identifier);
    std::string text = hex;
    std::string letters;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((identifier >> (8 * i)) & 0xFF);
        if (!std::isprint(static_cast<unsigned char>(c))) return text;
        letters += c;
    }
    return text + " \"" + letters + "\"";
}

std::vector<std::string> IniSectionNames(const std::string& bytes)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        const size_t open = bytes.find_first_not_of(" \t", start);
        if (open < end && bytes[open] == '[') {
            const size_t close = bytes.find(']', open);
            if (close < end) names.push_back(bytes.substr(open + 1, close - open - 1));
        }
        start = end + 1;
    }
    return names;
}

std::vector<const RecordKind*> IniRecordKinds(const std::vector<std::string>& sections,
                                              const RecordKind* only)
{
    std::vector<const RecordKind*> present;
    for (const RecordKind& kind : RecordKinds())
        if ((!only || only == &kind) && HasIniSectionOf(kind, sections)) present.push_back(&kind);
    std::vector<const RecordKind*> held;
    for (const RecordKind* kind : present) {
        bool carried = false;
        for (const RecordKind* outer : present) carried = carried || kind->IsCarriedBy(*outer);
        if (!carried) held.push_back(kind);
    }
    return held;
}

std::vector<std::pair<const RecordKind*, DOMElement*>> RecordElements(DOMElement* root,
                                                                      const RecordKind* only)
{
    std::vector<std::pair<const RecordKind*, DOMElement*>> found;
    // Document order, without recursion: a document may nest deeply.
    for (DOMElement* element = root; element;) {
        const RecordKind* kind = KindOf(element);
        if (kind && (only ? kind == only : !CarriedByAnOuterRecord(element, *kind)))
            found.emplace_back(kind, element);
        if (DOMElement* child = element->getFirstElementChild()) {
            element = child;
            continue;
        }
        while (element && element != root && !element->getNextElementSibling())
            element = static_cast<DOMElement*>(element->getParentNode());
        element = (element && element != root) ? element->getNextElementSibling() : nullptr;
    }
    return found;
}

ConfigContent LoadConfigFile(const std::string& path, const RecordKind* only)
{
    const std::string bytes = ReadWholeFile(path);
    ConfigContent content;
    content.Form = FormOfContent(bytes);
    switch (content.Form) {
    case ConfigForm::Blob: LoadBlobRecord(path, bytes, only, content); break;
    case ConfigForm::Ini: LoadIniRecords(path, bytes, only, content); break;
    case ConfigForm::Xml: LoadXmlRecords(path, only, content); break;
    }
    return content;
}

} // namespace qlcos::tool
