#include "config_files.h"

#include "config_loading.h"
#include "failure.h"
#include "light_engine_session.h"
#include "output_file.h"

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

bool SameName(const XMLCh* actual, const char* name)
{
    size_t i = 0;
    for (; actual[i] && name[i]; ++i) {
        if (actual[i] > 127 ||
            std::tolower(actual[i]) != std::tolower(static_cast<unsigned char>(name[i])))
            return false;
    }
    return !actual[i] && !name[i];
}

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

DOMElement* FindElement(DOMNode* root, const char* name)
{
    DOMNode* node = root;
    while (node) {
        if (node->getNodeType() == DOMNode::ELEMENT_NODE && SameName(node->getNodeName(), name))
            return static_cast<DOMElement*>(node);
        if (node->getFirstChild()) {
            node = node->getFirstChild();
            continue;
        }
        while (node && node != root && !node->getNextSibling()) node = node->getParentNode();
        node = (node && node != root) ? node->getNextSibling() : nullptr;
    }
    return nullptr;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::basic_string<ZanWChar> WidePath(const std::string& path)
{
    const int needed = zanUtf8ToWide(path.c_str(), nullptr, 0);
    std::basic_string<ZanWChar> wide(static_cast<size_t>(needed > 0 ? needed : 0) + 1, 0);
    if (needed < 0 || zanUtf8ToWide(path.c_str(), wide.data(), needed + 1) != needed)
        throw Failure(ExitCode::File, path + ": the name is not valid UTF-8");
    wide.resize(static_cast<size_t>(needed));
    return wide;
}

std::unique_ptr<CZanLCosCtrlCfg> LoadExposureConfig(const std::string& path)
{
    ConfigContent content = LoadConfigFile(path, FindRecordKind("QLCosCtrl"));
    return TakeExposureConfig(std::move(content.Records.front()));
}

} // namespace qlcos::tool
