#include "gui/logs/LogWindowPlacement.h"

bool RestoreLogWindowPlacement(QWidget& window, AppSettings::StoredWindow which)
{
    const AppSettings::StoredRect stored = AppSettings::GetWindowRect(which);
    const std::optional<int32_t> sides[] = {stored.left, stored.top, stored.right, stored.bottom};
    for (const auto& side : sides) {
        if (!side || *side == -1) {
            return false;
        }
    }
    const int width = *stored.right - *stored.left;
    const int height = *stored.bottom - *stored.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    window.setGeometry(*stored.left, *stored.top, width, height);
    return true;
}

void StoreLogWindowPlacement(const QWidget& window, AppSettings::StoredWindow which)
{
    const QRect rect = window.geometry();
    AppSettings::SetWindowCoordinate(which, "Left", rect.left());
    AppSettings::SetWindowCoordinate(which, "Top", rect.top());
    AppSettings::SetWindowCoordinate(which, "Right", rect.left() + rect.width());
    AppSettings::SetWindowCoordinate(which, "Bottom", rect.top() + rect.height());
}
