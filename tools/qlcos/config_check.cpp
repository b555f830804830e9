#include "config_check.h"

#include "config_loading.h"
#include "failure.h"
#include "output_file.h"

#include "qlcos/config/profile_functions.h"

#include <algorithm>

namespace qlcos::tool {

namespace {

std::string Bytes(size_t count)
{
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

void CheckBlob(const std::string& bytes, CheckReport& report)
{
    const std::optional<BlobHeader> header = ReadBlobHeader(bytes);
    if (!header) {
        report.Findings.push_back("too short for a blob header: " + Bytes(bytes.size()) +
                                  ", the header alone has 12");
        return;
    }
    std::vector<const RecordKind*> candidates;
    for (const RecordKind& kind : RecordKinds())
        if (kind.Identifier == header->Identifier) candidates.push_back(&kind);
    if (candidates.empty()) {
        report.Findings.push_back("unknown identifier " + IdentifierText(header->Identifier));
        return;
    }
    if (header->HeadSize != CZanConfig::kHeadSize)
        report.Findings.push_back("header size " + std::to_string(header->HeadSize) +
                                  ", expected 12");
    if (header->Size < CZanConfig::kHeadSize)
        report.Findings.push_back("the header states " + Bytes(header->Size) +
                                  ", less than the header itself");
    else if (header->Size > bytes.size())
        report.Findings.push_back("truncated: the header states " + Bytes(header->Size) +
                                  ", the file holds " + std::to_string(bytes.size()));
    else if (header->Size < bytes.size())
        report.Findings.push_back(Bytes(bytes.size() - header->Size) +
                                  " after the end of the blob (the header states " +
                                  std::to_string(header->Size) + ")");

    std::string tried;
    for (const RecordKind* kind : candidates) {
        std::unique_ptr<Record> record = kind->Make();
        if (!record->LoadBlob(bytes)) {
            tried += (tried.empty() ? "" : " nor ") + std::string(kind->Element);
            continue;
        }
        report.Records.push_back(kind->Element);
        const std::string saved = record->SaveBlob();
        const std::string blob = bytes.substr(0, std::min<size_t>(header->Size, bytes.size()));
        if (saved.size() != blob.size()) {
            report.Findings.push_back("the " + std::string(kind->Element) + " record saves " +
                                      Bytes(saved.size()) + " of the " + Bytes(blob.size()) +
                                      " it loaded: it left out or corrected some of them");
        } else if (saved != blob) {
            size_t first = 0;
            while (saved[first] == blob[first]) ++first;
            const size_t differing = static_cast<size_t>(
                std::count_if(blob.begin(), blob.end(),
                              [&, i = size_t{0}](char c) mutable { return saved[i++] != c; }));
            report.Findings.push_back("the " + std::string(kind->Element) + " record corrects " +
                                      Bytes(differing) + " of the blob (the first at offset " +
                                      std::to_string(first) + ")");
        }
        return;
    }
    report.Findings.push_back("refused: not a sound blob of " + tried);
}

void CheckXml(const std::string& path, CheckReport& report)
{
    std::unique_ptr<XmlFile> xml;
    try {
        xml = std::make_unique<XmlFile>(path);
    } catch (const Failure& failure) {
        // "path:3:17: message": the place and message without the path, as every finding.
        const std::string what = failure.what();
        report.Findings.push_back(what.compare(0, path.size() + 1, path + ":") == 0
                                      ? what.substr(path.size() + 1)
                                      : what);
        return;
    }
    const auto elements = RecordElements(xml->Document()->getDocumentElement(), nullptr);
    if (elements.empty())
        report.Findings.push_back("no record element (" + RecordKindNames() + ")");
    for (const auto& [kind, element] : elements) {
        report.Records.push_back(kind->Element);
        if (!kind->Make()->ImportXml(element))
            report.Findings.push_back("the \"" + std::string(kind->Element) +
                                      "\" element is refused by its record");
    }
}

// A list's sections as its count key names them: "PaperSize1" to "PaperSize<count>"; the
// records read at most `maxListed` of them.
void CheckListSections(const std::string& path, const std::vector<std::string>& sections,
                       const char* countKey, const std::string& prefix, int maxListed,
                       CheckReport& report)
{
    int count = 0;
    if (!zanGetProfileInt(u"ExpPaperInfo", WidePath(countKey).c_str(), WidePath(path).c_str(),
                          &count))
        return;
    if (count < 0 || count > maxListed) {
        report.Findings.push_back(std::string(countKey) + " is " + std::to_string(count) +
                                  ", outside 0 to " + std::to_string(maxListed));
        return;
    }
    for (int i = 1; i <= count; ++i) {
        const std::string wanted = prefix + std::to_string(i);
        const bool found =
            std::any_of(sections.begin(), sections.end(), [&](const std::string& section) {
                return EqualIgnoringCase(section, wanted);
            });
        if (!found)
            report.Findings.push_back(std::string(countKey) + " is " + std::to_string(count) +
                                      " but section [" + wanted + "] is missing");
    }
}

// "LCosCtrl, stdTime, ...": every section a record shows in an INI file, once each.
std::string KnownIniSections()
{
    std::vector<std::string> names;
    for (const RecordKind& kind : RecordKinds())
        for (const char* section : kind.IniSections)
            if (std::find(names.begin(), names.end(), section) == names.end())
                names.push_back(section);
    return Joined(names);
}

void CheckIni(const std::string& path, const std::string& bytes, CheckReport& report)
{
    const std::vector<std::string> sections = IniSectionNames(bytes);
    for (const RecordKind* kind : IniRecordKinds(sections, nullptr))
        report.Records.push_back(kind->Element);
    if (report.Records.empty()) {
        report.Findings.push_back("no section of a known record (" + KnownIniSections() + ")");
        return;
    }
    CheckListSections(path, sections, "PaperSizeCount", "PaperSize",
                      CZanXavenPaperSizeCfg::kMaxIniSections, report);
    CheckListSections(path, sections, "PaperStyleCount", "PaperStyle",
                      CZanXavenPaperStyleCfg::kMaxIniStyles, report);
}

} // namespace

CheckReport CheckConfigFile(const std::string& path)
{
    const std::string bytes = ReadWholeFile(path);
    CheckReport report;
    report.Form = FormOfContent(bytes);
    switch (report.Form) {
    case ConfigForm::Blob: CheckBlob(bytes, report); break;
    case ConfigForm::Xml: CheckXml(path, report); break;
    case ConfigForm::Ini: CheckIni(path, bytes, report); break;
    }
    return report;
}

} // namespace qlcos::tool
