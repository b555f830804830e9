#include "config_files.h"

#include "config_loading.h"
#include "failure.h"
#include "output_file.h"
#include "text.h"

#include "qlcos/host.h"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/EntityResolver.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/SecurityManager.hpp>

#include <algorithm>
#include <cctype>
#include <cstring>

using namespace xercesc;

namespace qlcos::tool {

namespace {

// Every entity a document names resolves to nothing: no file or network access.
class NoEntities : public EntityResolver {
public:
    InputSource* resolveEntity(const XMLCh* const, const XMLCh* const) override
    {
        static const XMLByte kNothing[1] = {0};
        return new MemBufInputSource(kNothing, 0, "nothing");
    }
};

// Keeps the first error with its place.
class FirstError : public ErrorHandler {
public:
    void warning(const SAXParseException&) override {}
    void error(const SAXParseException& e) override { Keep(e); }
    void fatalError(const SAXParseException& e) override { Keep(e); }
    void resetErrors() override {}
    std::string Text;

private:
    void Keep(const SAXParseException& e)
    {
        if (!Text.empty()) return;
        Text = std::to_string(e.getLineNumber()) + ":" + std::to_string(e.getColumnNumber()) +
               ": " + Utf8(reinterpret_cast<const ZanWChar*>(e.getMessage()));
    }
};

} // namespace

ConfigForm FormOfContent(const std::string& bytes)
{
    if (bytes.find('\0') != std::string::npos) return ConfigForm::Blob;
    size_t first = 0;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) first = 3; // UTF-8 byte order mark
    first = bytes.find_first_not_of(" \t\r\n", first);
    if (first != std::string::npos && bytes[first] == '<') return ConfigForm::Xml;
    return ConfigForm::Ini;
}

ConfigForm FormOfPath(const std::string& path)
{
    const std::string extension = Extension(path);
    if (extension == "xml") return ConfigForm::Xml;
    if (extension == "ini") return ConfigForm::Ini;
    return ConfigForm::Blob;
}

const char* FormName(ConfigForm form)
{
    switch (form) {
    case ConfigForm::Blob: return "blob";
    case ConfigForm::Ini: return "INI";
    case ConfigForm::Xml: return "XML";
    }
    return "?";
}

XmlFile::XmlFile(const std::string& path) : m_Parser(std::make_unique<XercesDOMParser>())
{
    const std::string bytes = ReadWholeFile(path);
    static NoEntities entities;
    static SecurityManager security;
    security.setEntityExpansionLimit(1000);
    FirstError errors;
    m_Parser->setValidationScheme(XercesDOMParser::Val_Never);
    m_Parser->setDoNamespaces(false);
    m_Parser->setDoSchema(false);
    m_Parser->setLoadExternalDTD(false);
    m_Parser->setSkipDTDValidation(true);
    m_Parser->setDisableDefaultEntityResolution(true);
    m_Parser->setCreateEntityReferenceNodes(false);
    m_Parser->setEntityResolver(&entities);
    m_Parser->setSecurityManager(&security);
    m_Parser->setErrorHandler(&errors);
    MemBufInputSource source(reinterpret_cast<const XMLByte*>(bytes.data()), bytes.size(),
                             path.c_str());
    try {
        m_Parser->parse(source);
    } catch (...) {
        if (errors.Text.empty()) errors.Text = "cannot be parsed";
    }
    m_Parser->setErrorHandler(nullptr);
    if (!errors.Text.empty()) throw Failure(ExitCode::File, path + ":" + errors.Text);
    m_Document = m_Parser->getDocument();
    if (!m_Document || !m_Document->getDocumentElement())
        throw Failure(ExitCode::File, path + ": no XML element in it");
}

XmlFile::~XmlFile() = default;

std::unique_ptr<CZanLCosCtrlCfg> LoadExposureConfig(const std::string& path)
{
    ConfigContent content = LoadConfigFile(path, FindRecordKind("QLCosCtrl"));
    return TakeExposureConfig(std::move(content.Records.front()));
}

} // namespace qlcos::tool
