// The search of the log windows' Find command: from a start position to the end, then once more
// from the beginning, so that a text that occurs only before the caret is still found.
#pragma once

#include <QString>

// The position of the first occurrence of needle in haystack at or after start, else the first
// occurrence from the beginning; -1 when there is none or needle is empty. A start outside the
// text counts as the beginning.
qsizetype FindWithWrap(const QString& haystack, const QString& needle, qsizetype start,
                       Qt::CaseSensitivity sensitivity);

// The text of the box shown when a search finds nothing.
QString NotFoundText(const QString& needle);
// The title of that box.
inline constexpr char kFindTitle[] = "ZOV tool - Find";
