#include "config_convert.h"

#include "config_loading.h"
#include "failure.h"
#include "output_file.h"

#include <xercesc/framework/MemBufFormatTarget.hpp>

#include <cstring>

using namespace xercesc;

namespace qlcos::tool {

namespace {

std::string Names(const std::vector<Record*>& records)
{
    std::vector<std::string> names;
    for (const Record* record : records) names.push_back(record->Kind().Element);
    return Joined(names);
}

// True when two of the records write the same INI section.
bool ShareIniSections(const std::vector<Record*>& records)
{
    for (size_t i = 0; i < records.size(); ++i)
        for (size_t j = i + 1; j < records.size(); ++j)
            for (const char* a : records[i]->Kind().IniSections)
                for (const char* b : records[j]->Kind().IniSections)
                    if (std::strcmp(a, b) == 0) return true;
    return false;
}

// An "XavenServer" document with the records' elements; the colour balance settings go into
// the exposure configuration's element when there is one, where its import reads them.
void WriteXml(const std::vector<Record*>& records, const OutputFile& out)
{
    std::unique_ptr<DOMDocument, void (*)(DOMDocument*)> document(
        NewServerDocument(), [](DOMDocument* d) { d->release(); });
    DOMElement* root = document->getDocumentElement();
    DOMElement* exposure = nullptr;
    for (Record* record : records) {
        const std::string kind = record->Kind().Element;
        DOMElement* parent = (kind == "ColorBalanceChannel" && exposure) ? exposure : root;
        if (!record->ExportXml(parent))
            throw Failure(ExitCode::File, "the " + kind + " record cannot be exported as XML");
        if (kind == "QLCosCtrl") exposure = root->getLastElementChild();
    }
    DOMImplementation* dom = DOMImplementationRegistry::getDOMImplementation(u"LS");
    std::unique_ptr<DOMLSSerializer, void (*)(DOMLSSerializer*)> writer(
        dom->createLSSerializer(), [](DOMLSSerializer* w) { w->release(); });
    writer->getDomConfig()->setParameter(XMLUni::fgDOMWRTFormatPrettyPrint, true);
    std::unique_ptr<DOMLSOutput, void (*)(DOMLSOutput*)> output(
        dom->createLSOutput(), [](DOMLSOutput* o) { o->release(); });
    MemBufFormatTarget target;
    output->setByteStream(&target);
    output->setEncoding(u"UTF-8");
    if (!writer->write(document.get(), output.get()))
        throw Failure(ExitCode::File, out.Target() + ": the XML document cannot be written");
    out.Write(target.getRawBuffer(), target.getLen());
}

} // namespace

Conversion ConvertConfig(const std::string& input, const std::string& output,
                         const RecordKind* only)
{
    ConfigContent content = LoadConfigFile(input, only);
    Conversion conversion;
    conversion.Form = FormOfPath(output);
    std::vector<Record*> records;
    for (const std::unique_ptr<Record>& record : content.Records) {
        if (record->Kind().HasForm(conversion.Form))
            records.push_back(record.get());
        else
            conversion.Notes.push_back(std::string(record->Kind().Element) + " has no " +
                                       FormName(conversion.Form) + " form: left out");
    }
    if (records.empty())
        throw Failure(ExitCode::File, input + ": no record in it has " +
                                          (conversion.Form == ConfigForm::Ini ? "an " : "a ") +
                                          FormName(conversion.Form) + " form");
    if (conversion.Form == ConfigForm::Blob && records.size() > 1)
        throw Failure(ExitCode::Usage, input + " holds several records with a blob form (" +
                                           Names(records) +
                                           "); a blob holds one: choose it with --record");
    if (conversion.Form == ConfigForm::Ini && ShareIniSections(records))
        throw Failure(ExitCode::Usage, input + " holds records that share INI sections (" +
                                           Names(records) + "): choose one with --record");

    OutputFile out(output);
    switch (conversion.Form) {
    case ConfigForm::Xml: WriteXml(records, out); break;
    case ConfigForm::Ini:
        // The temporary file is new and empty: the output is replaced, not merged into.
        for (Record* record : records)
            if (!record->ExportIni(out.Path()))
                throw Failure(ExitCode::File, output + ": the " +
                                                  std::string(record->Kind().Element) +
                                                  " record cannot be written");
        break;
    case ConfigForm::Blob: {
        const std::string blob = records.front()->SaveBlob();
        if (blob.empty())
            throw Failure(ExitCode::File, std::string("the ") + records.front()->Kind().Element +
                                              " record cannot be saved as a blob");
        out.Write(blob.data(), blob.size());
        break;
    }
    }
    out.Commit();
    for (const Record* record : records) conversion.Records.push_back(record->Kind().Element);
    return conversion;
}

} // namespace qlcos::tool
