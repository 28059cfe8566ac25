#include "gui/frame/ViewTable.h"

#include "gui/calibrate/CalibrateView.h"
#include "gui/config/ConfigView.h"
#include "gui/download/SwDownloadView.h"
#include "gui/preferences/PreferencesView.h"
#include "gui/script/ScriptView.h"
#include "gui/tests/TestView.h"

namespace {

CZovView* CreateScriptView(const tagViewContext& context, QWidget* parent)
{
    return new CScriptView(context, parent);
}

CZovView* CreateSwDownloadView(const tagViewContext& context, QWidget* parent)
{
    return new CSwDownloadView(context, parent);
}

CZovView* CreateCalibrateView(const tagViewContext& context, QWidget* parent)
{
    return new CCalibrateView(context, parent);
}

CZovView* CreateConfigView(const tagViewContext& context, QWidget* parent)
{
    return new CConfigView(context, parent);
}

CZovView* CreateTestView(const tagViewContext& context, QWidget* parent)
{
    return new CTestView(context, parent);
}

CZovView* CreatePreferencesView(const tagViewContext&, QWidget* parent)
{
    return new CPreferencesView(parent);
}

const std::array<tagViewEntry, kViewCount> kViews = {{
    {kViewScripting, "&Scripting", "Scripting", true, &CreateScriptView},
    {kViewSwDownload, "Software &Download", "Download", false, &CreateSwDownloadView},
    {kViewConfiguration, "&Configuration", "Configuration", false, &CreateConfigView},
    {kViewCalibration, "C&alibration", "Calibration", true, &CreateCalibrateView},
    {kViewTests, "&Tests", "Tests", true, &CreateTestView},
    {kViewPreferences, "&Preferences", "Preferences", false, &CreatePreferencesView},
}};

}  // namespace

const std::array<tagViewEntry, kViewCount>& ViewTable()
{
    return kViews;
}

const tagViewEntry* FindView(int number)
{
    if (number < 1 || number > kViewCount) {
        return nullptr;
    }
    return &kViews[static_cast<size_t>(number - 1)];
}

int StartViewNumber(uint32_t stored)
{
    const tagViewEntry* entry = stored <= kViewCount ? FindView(static_cast<int>(stored)) : nullptr;
    if (entry == nullptr || entry->create == nullptr) {
        return kViewScripting;
    }
    return entry->number;
}

bool ViewHandlesSubsystemEvents(int number)
{
    return number == kViewCalibration || number == kViewTests;
}

const char* ViewUnavailableReason(const tagViewEntry& entry, bool boot_mode_running)
{
    if (entry.create == nullptr) {
        return "Not available in this version of the tool yet.";
    }
    if (boot_mode_running) {
        return "Not available while the board is in boot mode.";
    }
    return "";
}
