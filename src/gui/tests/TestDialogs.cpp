#include "gui/tests/TestDialogs.h"

#include "gui/tests/AverageVideoLevelDialog.h"
#include "gui/tests/CosmeticCheckDialog.h"
#include "gui/tests/DoseLinkDialog.h"
#include "gui/tests/VideoPathDialog.h"

std::unique_ptr<CProcedureDialog> CreateTestDialog(const std::string& key, CSerialCommHandler& handler,
                                                   const tagProcedureSettings& settings, QWidget* parent)
{
    const bool internal = settings.internal_timing;
    if (key == "video-path") return std::make_unique<CVideoPathDialog>(internal, handler, settings.prepare, parent);
    if (key == "average-video-level") {
        return std::make_unique<CAverageVideoLevelDialog>(internal, handler, settings.prepare, parent);
    }
    if (key == "dose-link") return std::make_unique<CDoseLinkDialog>(internal, handler, parent);
    if (key == "cosmetic-check") {
        return std::make_unique<CCosmeticCheckDialog>(internal, handler, settings.prepare, parent);
    }
    return nullptr;
}
