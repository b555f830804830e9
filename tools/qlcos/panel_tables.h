// The LCD and LDD controllers' tables through the panel driver the light-engine device
// holds: what the table transfers and the uniformity plot share.
#pragma once

#include "light_engine_session.h"

#include <functional>
#include <string>
#include <vector>

namespace qlcos::tool {

// The panel driver of the detected model; Failure(Unsupported) "<what>: not on the <model>"
// for a model without tables.
CQPanelControl& PanelOf(LightEngineSession& session, const char* what);

// One table's transfer as step `done` of `progress` (the seconds tick on a terminal); throws
// when the controller fails it.
void Transfer(Progress& progress, int done, const std::string& note, const char* operation,
              const std::function<ZanResult()>& call);

// Uniformity table 1..3 of the controller: 825 cells, byte y × 25 + x.
std::vector<unsigned char> ReadUniformTable(LightEngineSession& session, int table,
                                            const GlobalOptions& global);

} // namespace qlcos::tool
