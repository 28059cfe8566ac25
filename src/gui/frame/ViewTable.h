// The six views of the main window in View-menu order, with their numbers ("Last Shown View"),
// menu texts and the function that creates each. A view whose page is not part of this build has
// no create function; its menu command stays disabled.
#pragma once

#include <array>

#include <QWidget>

#include "gui/frame/ViewContext.h"

class CZovView;

enum ViewNumber : int {
    kViewScripting = 1,
    kViewSwDownload = 2,
    kViewConfiguration = 3,
    kViewCalibration = 4,
    kViewTests = 5,
    kViewPreferences = 6,
};

inline constexpr int kViewCount = 6;

using ViewCreateFunction = CZovView* (*)(const tagViewContext& context, QWidget* parent);

struct tagViewEntry {
    int number;
    const char* menu_text;
    const char* toolbar_text;
    // "ZEL buffers" works on the view's command handler.
    bool offers_zel_buffers;
    ViewCreateFunction create;  // null when the view is not built
};

// The entries in menu order (index = number - 1).
const std::array<tagViewEntry, kViewCount>& ViewTable();
// The entry of number, or null outside 1 to 6.
const tagViewEntry* FindView(int number);
// The number of the view to show at start for a stored "Last Shown View": 0 and every number
// outside 1 to 6, and every view not built, give the Scripting view.
int StartViewNumber(uint32_t stored);

// True for the views whose command handler acts on the subsystem's events (the Calibration and
// Tests hubs): only while one of them is shown do the events reach the application events window.
bool ViewHandlesSubsystemEvents(int number);

// Why the view command of entry cannot be chosen, for its tooltip; "" when it can.
// boot_mode_running: the view commands are off while a firmware download or a configuration
// store or retrieve holds the board in boot mode.
const char* ViewUnavailableReason(const tagViewEntry& entry, bool boot_mode_running);
