#include "panel_tables.h"

#include "failure.h"
#include "progress_ticker.h"

namespace qlcos::tool {

CQPanelControl& PanelOf(LightEngineSession& session, const char* what)
{
    CQPanelControl* panel = session.DriverAs<CQPanelControl>();
    if (!panel)
        throw Failure(ExitCode::Unsupported, std::string(what) + ": not on the " + session.Model());
    return *panel;
}

void Transfer(Progress& progress, int done, const std::string& note, const char* operation,
              const std::function<ZanResult()>& call)
{
    ZanResult result = 0;
    TickWhile(progress, done, note, [&] { result = call(); });
    Check(result, operation);
}

std::vector<unsigned char> ReadUniformTable(LightEngineSession& session, int table,
                                            const GlobalOptions& global)
{
    CQPanelControl& panel = PanelOf(session, "uniformity tables");
    std::vector<unsigned char> cells(CQPanelControl::kUniformBytes);
    Progress progress(global, "reading uniformity table " + std::to_string(table), 1);
    Transfer(progress, 0, "", "GetUniformData",
             [&] { return panel.GetUniformData(static_cast<unsigned char>(table), cells.data()); });
    progress.Update(1);
    return cells;
}

} // namespace qlcos::tool
