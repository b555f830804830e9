// The configuration records the tool knows, as data: one row per kind with its XML element,
// blob identifier, INI sections and the record it is part of, and one wrapper type that
// loads and saves any of them in each form it has.
#pragma once

#include "config_files.h"

#include <xercesc/dom/DOM.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qlcos::tool {

class Record;

struct RecordKind {
    const char* Element;     // the record's XML element, also its name on the command line
    const char* Description; // what it holds, for --help and listings
    uint32_t Identifier;     // blob identifier at offset 0; 0 when the record has no blob
    std::vector<const char*> IniSections; // sections that show it in an INI file; none: no INI
    const char* PartOf; // the record kind that carries this one in every form, or null
    std::unique_ptr<Record> (*Make)();

    bool HasForm(ConfigForm form) const;
    // True when `outer` carries this kind, directly or through the records between.
    bool IsCarriedBy(const RecordKind& outer) const;
};

// Every kind, in the order listings and conversions use.
const std::vector<RecordKind>& RecordKinds();
// The kind named `element` (letter case ignored); null when none.
const RecordKind* FindRecordKind(const std::string& element);
// "QLCosCtrl, XavenController, ..." for help texts and messages.
std::string RecordKindNames();

// One named value of a listing, and a listing node: an element's values, its key points
// (gamma key point lists) and its children.
struct Listing {
    std::string Name;
    std::vector<std::pair<std::string, std::string>> Values;
    std::vector<std::pair<int, int>> Points;
    bool IsPointList = false;
    std::vector<Listing> Children;
};

// A record of some kind, loaded and saved through the library's own functions.
class Record {
public:
    explicit Record(const RecordKind& kind) : m_Kind(kind) {}
    virtual ~Record() = default;
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;

    const RecordKind& Kind() const { return m_Kind; }

    // Each load returns false when the record refuses the input.
    virtual bool LoadBlob(const std::string& bytes) = 0;
    virtual bool ImportXml(xercesc::DOMElement* element) = 0;
    virtual void ImportIni(const std::string& path) = 0;
    // The blob the record saves; empty when it has no blob form.
    virtual std::string SaveBlob() = 0;
    // Appends the record's element to `parent`; false when the export failed.
    virtual bool ExportXml(xercesc::DOMElement* parent) = 0;
    // Writes the record's sections into the INI file `path`; false when that failed.
    virtual bool ExportIni(const std::string& path) = 0;
    // Values a record holds outside its XML form (the exposure model of the aggregate).
    virtual void AddValuesOutsideXml(std::vector<Listing>&) const {}

private:
    const RecordKind& m_Kind;
};

// The record's content as a listing: its XML export walked, plus what XML does not carry
// when `withValuesOutsideXml` (a record loaded from a blob or an INI file).
Listing ListRecord(Record& record, bool withValuesOutsideXml);

// A new "XavenServer" document; release it with ->release().
xercesc::DOMDocument* NewServerDocument();

// The exposure configuration a record of kind "QLCosCtrl" holds; null for another kind.
std::unique_ptr<CZanLCosCtrlCfg> TakeExposureConfig(std::unique_ptr<Record> record);

} // namespace qlcos::tool
