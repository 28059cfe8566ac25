#include "gui/widgets/FixedPitchFont.h"

#include <QFontDatabase>
#include <QFontInfo>

QFont FixedPitchFont(int point_size)
{
    QFont font(QStringLiteral("Courier New"), point_size);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(point_size);
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
    }
    return font;
}
