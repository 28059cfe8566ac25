// The stored rectangles of the two log windows: restored when a window is created (only when
// all four values are present and none is 0xFFFFFFFF) and written back when it is destroyed.
// A window that was neither restored nor ever shown has no placement of its own yet, and the
// stored values are left as they are.
#pragma once

#include <QWidget>

#include "shell/AppSettings.h"

// True when a stored rectangle was applied.
bool RestoreLogWindowPlacement(QWidget& window, AppSettings::StoredWindow which);
void StoreLogWindowPlacement(const QWidget& window, AppSettings::StoredWindow which);
