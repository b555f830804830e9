// Configuration files in their three forms (blob, INI, XML): telling them apart, parsing the
// XML safely, and loading the exposure configuration from any of them.
#pragma once

#include "text.h"

#include "qlcos/config.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>

#include <memory>
#include <string>

namespace qlcos::tool {

enum class ConfigForm { Blob, Ini, Xml };

// The form of a file's content: XML when its first non-blank character is '<', a blob when
// it holds a NUL byte or is too short to be text with a section, else INI.
ConfigForm FormOfContent(const std::string& bytes);
// The form an output file is written in, by its extension: .xml, .ini, anything else a blob.
ConfigForm FormOfPath(const std::string& path);
const char* FormName(ConfigForm form); // "blob", "INI", "XML"

// A parsed XML document. No DTD or entity from outside is ever loaded.
class XmlFile {
public:
    // Throws Failure(File) with the first error's place: "path:3:17: expected end of tag".
    explicit XmlFile(const std::string& path);
    ~XmlFile();
    XmlFile(const XmlFile&) = delete;
    XmlFile& operator=(const XmlFile&) = delete;
    xercesc::DOMDocument* Document() const { return m_Document; }

private:
    std::unique_ptr<xercesc::XercesDOMParser> m_Parser;
    xercesc::DOMDocument* m_Document = nullptr;
};

// The exposure configuration from a blob, INI file (both of its INI forms) or XML document
// (its "QLCosCtrl" element). Throws Failure(File) naming the file and what is wrong.
std::unique_ptr<CZanLCosCtrlCfg> LoadExposureConfig(const std::string& path);

} // namespace qlcos::tool
