#pragma once
// Text that comes from the database or the user is always shown as it is
// written: widgets that would take it for rich text (tool tips, labels,
// message boxes) get it escaped or in plain-text mode.

#include <QString>

class QLabel;

namespace pcp {

// The text as rich text that shows exactly its characters, on one line per
// line of the text (for tool tips, which guess the format otherwise).
QString PlainTextTip(const QString& text);

// A label that never interprets its text.
void MakePlain(QLabel* label);

}  // namespace pcp
