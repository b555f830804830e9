#include "gamma_tables.h"

#include "failure.h"
#include "text.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace qlcos::tool {

namespace {

std::string NameOf(const ZanWChar* field, size_t chars)
{
    std::vector<ZanWChar> name(field, field + chars);
    name.push_back(0);
    return Utf8(name.data());
}

std::string Listed(const std::vector<std::string>& names)
{
    return names.empty() ? "none" : Joined(names);
}

// Every table of `tables`, read from its blob (header, table count, the tables in list
// order), since the record offers lookups by name only.
std::vector<tagZanXavenGammaTableCfgData> AllTables(CZanXavenGammaTableCfg& tables)
{
    std::vector<unsigned char> blob(tables.GetSize());
    const uint32_t size = tables.SaveConfig(blob.data());
    const uint32_t start = CZanXavenGammaTableCfg::kEmptyBlobSize;
    std::vector<tagZanXavenGammaTableCfgData> all;
    for (uint32_t at = start; size >= start && at + sizeof(tagZanXavenGammaTableCfgData) <= size;
         at += sizeof(tagZanXavenGammaTableCfgData)) {
        all.emplace_back();
        std::memcpy(&all.back(), blob.data() + at, sizeof(tagZanXavenGammaTableCfgData));
    }
    return all;
}

} // namespace

GammaTableChoice ChooseGammaTable(CZanLCosCtrlCfg& config, const std::string& source,
                                  const std::string& style, const std::string& table)
{
    const int count = config.GetPaperStyleList(nullptr, 0);
    std::vector<tagZanExpPaperStyleInfo> styles(static_cast<size_t>(std::max(count, 0)));
    config.GetPaperStyleList(styles.data(), static_cast<int>(styles.size()));
    std::vector<std::string> styleNames;
    for (const tagZanExpPaperStyleInfo& info : styles)
        styleNames.push_back(NameOf(info.Name, std::size(info.Name)));
    if (styleNames.empty()) throw Failure(ExitCode::File, source + ": no paper style in it");
    auto chosenStyle =
        style.empty() ? styleNames.begin()
                      : std::find_if(styleNames.begin(), styleNames.end(),
                                     [&](const auto& n) { return EqualIgnoringCase(n, style); });
    if (chosenStyle == styleNames.end())
        throw Failure(ExitCode::File, source + ": no paper style \"" + style +
                                          "\"; paper styles: " + Listed(styleNames));

    CZanXavenPaperStyleItem item;
    config.GetPaperStyleItem(styles[chosenStyle - styleNames.begin()].Name, item);
    const std::vector<tagZanXavenGammaTableCfgData> tables = AllTables(item.GammaTable);
    std::vector<std::string> tableNames;
    for (const tagZanXavenGammaTableCfgData& data : tables)
        tableNames.push_back(NameOf(data.szName, std::size(data.szName)));
    if (tableNames.empty())
        throw Failure(ExitCode::File,
                      source + ": paper style " + *chosenStyle + " has no gamma table");
    auto find = [&](const std::string& name) {
        return std::find_if(tableNames.begin(), tableNames.end(),
                            [&](const auto& n) { return EqualIgnoringCase(n, name); });
    };
    auto chosenTable = tableNames.end();
    if (table.empty()) {
        ZanWChar selected[CZanXavenGammaTableCfg::kNameChars] = {};
        item.GammaTable.GetSelectChannel(selected);
        chosenTable = find(NameOf(selected, std::size(selected)));
        if (chosenTable == tableNames.end()) chosenTable = find("Standard");
        if (chosenTable == tableNames.end()) chosenTable = tableNames.begin();
    } else {
        chosenTable = find(table);
    }
    if (chosenTable == tableNames.end())
        throw Failure(ExitCode::File, source + ": no gamma table \"" + table +
                                          "\" in paper style " + *chosenStyle +
                                          "; tables: " + Listed(tableNames));

    // The record holds channel counts of 0 to 256 only, however it was loaded.
    return {*chosenStyle, *chosenTable, tables[chosenTable - tableNames.begin()]};
}

} // namespace qlcos::tool
