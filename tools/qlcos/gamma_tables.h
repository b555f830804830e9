// A paper style's gamma tables as the exposure configuration holds them: finding a style and
// a table by name, and the key points of its channels.
#pragma once

#include "qlcos/config/lcos_ctrl_cfg.h"

#include <string>
#include <vector>

namespace qlcos::tool {

struct GammaTableChoice {
    std::string Style;                 // the style's name as stored
    std::string Table;                 // the table's name as stored
    tagZanXavenGammaTableCfgData Data; // the table, channel counts within 0..256
};

// The table `table` of the paper style `style` (names matched without regard to letter case),
// the first style when `style` is empty and the style's selected table when `table` is empty
// ("Standard", else the first table, when the selected name matches none). Throws
// Failure(File) naming what is missing and what there is; `source` names the configuration.
GammaTableChoice ChooseGammaTable(CZanLCosCtrlCfg& config, const std::string& source,
                                  const std::string& style, const std::string& table);

} // namespace qlcos::tool
