#include "ui/DateTyping.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <QValidator>
#include <utility>

#include "data/Values.h"

namespace pcp {

namespace {

// Keys that only change what the next key types: "/" or the digits may need Shift.
bool modifierOnly(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
           key == Qt::Key_AltGr || key == Qt::Key_Meta || key == Qt::Key_Super_L ||
           key == Qt::Key_Super_R || key == Qt::Key_Mode_switch || key == Qt::Key_CapsLock ||
           key == Qt::Key_NumLock;
}

bool steps(int key) {
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
           key == Qt::Key_PageDown;
}

bool isEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

QDate wholeDate(QString typed) {
    if (!typed.contains(u'/') && !typed.contains(u'-'))
        typed = typed.left(2) + u'/' + typed.mid(2, 2) + u'/' + typed.mid(4);
    return ParseDate(typed).date();
}

}  // namespace

WholeDateTyping::WholeDateTyping(QDateEdit* picker, Tell tell)
    : QObject(picker),
      picker_(picker),
      text_(picker->findChild<QLineEdit*>()),
      tell_(std::move(tell)) {
    picker->installEventFilter(this);
    // The calendar opens on the date shown, so opening it drops the typing.
    picker->calendarWidget()->window()->installEventFilter(this);
    // So does a date set otherwise: picked, stepped by the wheel, loaded.
    connect(picker, &QDateEdit::dateChanged, this, [this] { typed_.clear(); });
}

bool WholeDateTyping::takePending() {
    return typed_.isEmpty() || take();
}

bool WholeDateTyping::eventFilter(QObject* watched, QEvent* event) {
    if (watched != picker_) {
        if (event->type() == QEvent::Show) discard();
        return false;
    }
    switch (event->type()) {
        case QEvent::KeyPress: return keyPress(static_cast<QKeyEvent*>(event));
        case QEvent::KeyRelease: return swallowsRelease(*static_cast<QKeyEvent*>(event));
        case QEvent::FocusOut: focusOut(static_cast<QFocusEvent*>(event)->reason()); break;
        case QEvent::FocusIn: keepTypedShown(); break;
        default: break;
    }
    return false;
}

bool WholeDateTyping::keyPress(const QKeyEvent* key) {
    if (modifierOnly(key->key())) return false;
    swallowEnterRelease_ = false;
    const QString c = key->text();
    const bool digit = c.size() == 1 && c[0] >= u'0' && c[0] <= u'9';
    const bool dateKey = (digit || c == u"/" || c == u"-") &&
                         !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (dateKey && (digit || !typed_.isEmpty())) {
        if (typed_.isEmpty()) startedIn_ = picker_->currentSection();
        if (typed_.size() < 10) typed_ += c;
        show(typed_);
        return true;
    }
    if (typed_.isEmpty()) return false;
    if (key->key() == Qt::Key_Backspace) {
        typed_.chop(1);
        show(typed_.isEmpty() ? shownDate() : typed_);
        return true;
    }
    const bool taken = take();
    // Up or Down would step the date just taken.
    if (steps(key->key())) return true;
    // Shift+Tab, like Tab, leaves the field rather than going back a part.
    if (taken && key->key() == Qt::Key_Backtab) picker_->setCurrentSectionIndex(0);
    // Refused: the user stays to correct it, and Enter's release must not move on.
    swallowEnterRelease_ = !taken && isEnter(key->key());
    return !taken;
}

bool WholeDateTyping::swallowsRelease(const QKeyEvent& key) {
    if (!swallowEnterRelease_ || !isEnter(key.key())) return false;
    swallowEnterRelease_ = false;
    return true;
}

void WholeDateTyping::focusOut(Qt::FocusReason reason) {
    if (typed_.isEmpty()) return;
    // Another window, or a pop-up, has the focus only for a while.
    const bool left = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
    if (left && typedDate().isValid())
        take();
    else
        keepTypedShown();
}

// The picker writes its date over the text as the focus comes or goes.
void WholeDateTyping::keepTypedShown() {
    if (typed_.isEmpty()) return;
    QTimer::singleShot(0, this, [this] {
        if (!typed_.isEmpty()) show(typed_);
    });
}

// The date typed, if the picker allows it: a whole date when the text has
// separators or is "ddmmyyyy"; plain digits set only the part where the
// typing began (1 or 2 for the day or month, 4 for the year).
QDate WholeDateTyping::typedDate() const {
    const bool whole = typed_.contains(u'/') || typed_.contains(u'-') || typed_.size() == 8;
    const QDate date = whole ? wholeDate(typed_) : partDate();
    const bool allowed = date >= picker_->minimumDate() && date <= picker_->maximumDate();
    return allowed ? date : QDate();
}

QDate WholeDateTyping::partDate() const {
    const QDate shown = picker_->date();
    const int value = typed_.toInt();
    if (startedIn_ == QDateTimeEdit::YearSection)
        return typed_.size() == 4 ? QDate(value, shown.month(), shown.day()) : QDate();
    if (typed_.size() > 2) return {};
    if (startedIn_ == QDateTimeEdit::MonthSection) return QDate(shown.year(), value, shown.day());
    return QDate(shown.year(), shown.month(), value);
}

bool WholeDateTyping::take() {
    const QDate date = typedDate();
    const QString typed = std::exchange(typed_, QString());
    show(shownDate());
    if (date.isValid()) {
        picker_->setDate(date);
        // The whole date is in: Tab, or Enter, leaves the field, not a part of it.
        picker_->setCurrentSectionIndex(picker_->sectionCount() - 1);
        return true;
    }
    tell_(typed + QStringLiteral(" is not a date. Type it as dd/mm/yyyy, for example 15/02/2026."));
    picker_->setFocus();
    return false;
}

void WholeDateTyping::discard() {
    if (typed_.isEmpty()) return;
    typed_.clear();
    show(shownDate());
}

QString WholeDateTyping::shownDate() const {
    return picker_->date().toString(picker_->displayFormat());
}

// Shown, not read: the picker neither hears of it nor checks it part by part.
void WholeDateTyping::show(const QString& text) {
    const QSignalBlocker quiet(text_);
    const QValidator* check = text_->validator();
    text_->setValidator(nullptr);
    text_->setText(text);
    text_->setValidator(check);
}

}  // namespace pcp
