#pragma once
// A date typed into a date picker, taken whole once the user moves on.

#include <QDate>
#include <QDateTimeEdit>
#include <QObject>
#include <QString>
#include <functional>

class QKeyEvent;
class QLineEdit;

namespace pcp {

// Typing a date takes the typed text once the user moves on (Tab, Enter, an
// arrow, any key that is no part of a date): the date, or a refusal that names
// the text. Left to itself the picker takes each part as it comes and keeps
// the rest from the date shown, so "15/02/2026" typed over 20/11/2026 would
// not give 15/02/2026. Text with separators or eight digits is a whole date
// ("dd/mm/yyyy", "d-m-yyyy", "ddmmyyyy"); digits alone change the part where
// the typing began. A click elsewhere takes a date quietly and leaves anything
// else shown as typed, for takePending to refuse: a message box raised while
// the focus moves would swallow the click. The calendar, or a date set
// otherwise, discards the typing; the window losing the focus keeps it.
// Install it after the window's key handlers: it sees the picker's keys first.
class WholeDateTyping : public QObject {
  public:
    // `tell` shows the refusal to the user; the picker then has the focus.
    using Tell = std::function<void(const QString& text)>;
    WholeDateTyping(QDateEdit* picker, Tell tell);

    // Takes a date typed but not yet taken; false when the text is refused.
    bool takePending();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool keyPress(const QKeyEvent* key);
    bool swallowsRelease(const QKeyEvent& key);
    void focusOut(Qt::FocusReason reason);
    void keepTypedShown();
    QDate typedDate() const;
    QDate partDate() const;
    bool take();
    void discard();
    QString shownDate() const;
    void show(const QString& text);

    QDateEdit* picker_;
    QLineEdit* text_;
    Tell tell_;
    QString typed_;
    QDateTimeEdit::Section startedIn_ = QDateTimeEdit::DaySection;
    bool swallowEnterRelease_ = false;
};

}  // namespace pcp
