// Fuzzes the INI reader and writer: the input is the file. Keys are read with the profile
// functions, keys are written and must read back as written, and a record (chosen by the
// input's size) imports the file; its export, imported again, must export the same file.
#include "qlcos/config.h"
#include "qlcos/machine_cfg.h"
#include "fuzz/temp_files.h"
#include "platform/text_utf.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using qlcos::fuzz::ReadFile;
using qlcos::fuzz::TempPath;
using qlcos::fuzz::WidePath;
using qlcos::fuzz::WriteFile;

// Lists longer than this are not exported: each key written rewrites the whole file, so a
// list of the 1024 entries an import allows takes seconds to write.
const int kMaxExportedEntries = 64;

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// A name made of printable ASCII, cut at the first character that is not, white space
// around it removed: such a name is written and read back as it stands.
ZanString PlainName(const std::string& text, size_t begin, size_t end)
{
    std::string name;
    for (size_t i = begin; i < end && text[i] >= 0x21 && text[i] <= 0x7E; ++i) name += text[i];
    return ZanString(name.begin(), name.end());
}

// The first section name and the first key of the input, as a host might ask for them.
void FirstNames(const std::string& text, ZanString& section, ZanString& key)
{
    size_t open = text.find('[');
    if (open != std::string::npos) section = PlainName(text, open + 1, text.find(']', open));
    size_t line = 0;
    while (line < text.size()) {
        const size_t end = std::min(text.find('\n', line), text.size());
        const size_t equals = text.find('=', line);
        if (equals < end && text[line] != '[' && text[line] != ';') {
            key = PlainName(text, line, equals);
            if (!key.empty()) return;
        }
        line = end + 1;
    }
}

void ReadKeys(const ZanWChar* path, const ZanString& section, const ZanString& key)
{
    int i = 0;
    float f = 0;
    ZanWChar small[4], large[300];
    const ZanWChar* s = section.c_str();
    const ZanWChar* k = key.c_str();
    zanGetProfileInt(s, k, path, &i);
    zanGetProfileFloat(s, k, path, &f);
    zanGetProfileString(s, k, path, small, 4);
    zanGetProfileString(s, k, path, large, 300);
    zanGetProfileBool(s, k, 1, path);
    zanGetProfileInt(ZT("LCosCtrl"), ZT("Port"), path, &i);
    zanGetProfileFloat(ZT("LCosCtrl"), ZT("DensityStep"), path, &f);
    zanGetProfileInt(ZT("ExpPaperInfo"), ZT("PaperSizeCount"), path, &i);
    zanGetProfileString(ZT("PaperSize1"), ZT("Name"), path, large, 300);
    zanGetProfileBool(ZT("LCosCtrl"), ZT("UseGamma"), 0, path);
}

// Written values read back unchanged, whatever else the file holds.
void WriteAndReadBack(const ZanWChar* path, const ZanString& section, const ZanString& key,
                      const std::string& input)
{
    const ZanWChar* s = section.empty() ? ZT("Fuzz") : section.c_str();
    const ZanWChar* k = key.empty() ? ZT("Key") : key.c_str();
    const int number = static_cast<int>(input.size() * 2654435761u);
    int i = 0;
    if (zanSetProfileInt(s, k, path, number) && (!zanGetProfileInt(s, k, path, &i) || i != number))
        Fail("an integer written did not read back");

    const float real = static_cast<float>(number) / 7.0f;
    float f = 0;
    if (zanSetProfileFloat(ZT("LCosCtrl"), ZT("DensityStep"), path, real) &&
        (!zanGetProfileFloat(ZT("LCosCtrl"), ZT("DensityStep"), path, &f) || f != real))
        Fail("a float written did not read back");

    // A text from the input's first line (the setter refuses line breaks).
    std::string line = input.substr(0, std::min<size_t>(input.find('\n'), 200));
    line = line.substr(0, line.find('\0'));
    const ZanString text = qlcos::unicode::FromUtf8(line);
    ZanWChar back[256];
    if (zanSetProfileString(ZT("Fuzz"), ZT("Text"), path, text.c_str()) &&
        (!zanGetProfileString(ZT("Fuzz"), ZT("Text"), path, back, 256) || text != back))
        Fail("a text written did not read back");
}

// Imports the file, exports the record, imports the export into a new record and exports
// that: both exports must be the same file.
template <typename Record> void ImportExport(const ZanWChar* path, int entries = 0)
{
    Record record;
    record.ImportINIFile(path);
    if (entries > kMaxExportedEntries) return;
    const std::string first = TempPath("first.ini"), second = TempPath("second.ini");
    std::remove(first.c_str());
    std::remove(second.c_str());
    if (record.ExportINIFile(WidePath(first).c_str()) != 0) return;
    Record again;
    again.ImportINIFile(WidePath(first).c_str());
    if (again.ExportINIFile(WidePath(second).c_str()) != 0) return;
    if (ReadFile(first) != ReadFile(second)) Fail("an exported INI file imports differently");
}

int Entries(const ZanWChar* path, const ZanWChar* key)
{
    int count = 0;
    zanGetProfileInt(ZT("ExpPaperInfo"), key, path, &count);
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string file = TempPath("input.ini");
    if (!WriteFile(file, data, size)) return 0;
    const std::basic_string<ZanWChar> wide = WidePath(file);
    const ZanWChar* path = wide.c_str();
    const std::string input(reinterpret_cast<const char*>(data), size);

    ZanString section, key;
    FirstNames(input, section, key);
    ReadKeys(path, section, key);

    // One record's import and export per input (each key read or written parses the whole
    // file, so all of them on every input would cost a tenth of a second).
    const int sizes = Entries(path, ZT("PaperSizeCount"));
    const int styles = Entries(path, ZT("PaperStyleCount"));
    switch (size % 6) {
    case 0: ImportExport<CZanXavenControllerCfg>(path); break;
    case 1: ImportExport<CZanDensityCtrlCfg>(path); break;
    case 2: ImportExport<CZanXavenPaperSizeCfg>(path, sizes); break;
    case 3: ImportExport<CZanXavenPaperStyleCfg>(path, styles); break;
    case 4: ImportExport<CZanLCosCtrlCfg>(path, std::max(sizes, styles)); break;
    default: {
        CZanLCosCtrlCfg both;
        both.ImportINIFile2(path);
        CZanXavenMachineCtrlCfg machine;
        machine.ImportINIFile(path);
        CZanXavenGammaTableCfg gamma;
        gamma.ImportINIFile(path);
        break;
    }
    }
    WriteAndReadBack(path, section, key, input);
    return 0;
}
