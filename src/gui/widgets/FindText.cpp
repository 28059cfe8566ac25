#include "gui/widgets/FindText.h"

qsizetype FindWithWrap(const QString& haystack, const QString& needle, qsizetype start,
                       Qt::CaseSensitivity sensitivity)
{
    if (needle.isEmpty()) {
        return -1;
    }
    if (start < 0 || start > haystack.size()) {
        start = 0;
    }
    const qsizetype hit = haystack.indexOf(needle, start, sensitivity);
    if (hit >= 0 || start == 0) {
        return hit;
    }
    return haystack.indexOf(needle, 0, sensitivity);
}

QString NotFoundText(const QString& needle)
{
    return QStringLiteral("'%1' not found!").arg(needle);
}
