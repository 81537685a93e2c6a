#pragma once
// Text that comes from the database or the user is always shown as it is
// written: widgets that would take it for rich text (tool tips, labels,
// message boxes) get it escaped or in plain-text mode. What the user enters
// into a one-line field holds no control characters (PlainEntryText).

#include <QString>

class QLabel;
class QLineEdit;

namespace pcp {

// The text as rich text that shows exactly its characters, on one line per
// line of the text (for tool tips, which guess the format otherwise).
QString PlainTextTip(const QString& text);

// A label that never interprets its text.
void MakePlain(QLabel* label);

// The field's text follows PlainEntryText however it gets there (typed, an
// input method's commit, pasted, dropped, set): a tab or line break becomes a
// space, other control characters go, and the cursor stays after what was
// entered. Takes the field's validator place; for fields without one.
void KeepEntryTextPlain(QLineEdit* edit);

}  // namespace pcp
