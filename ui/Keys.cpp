#include "ui/Keys.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace pcp {

namespace {

// Qt's combo box finds by the printable keys typed in quick succession, but
// takes a space as "open the list". Within such a run the space is searched
// for the way the combo box searches the other keys: through its list view.
class SpaceFinder : public QObject {
  public:
    explicit SpaceFinder(QComboBox* box) : QObject(box), box_(box) {
        box->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || box_->isEditable()) return false;
        const auto* e = static_cast<const QKeyEvent*>(event);
        const QString text = e->text();
        if (text.isEmpty() || !text.at(0).isPrint() ||
            (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return false;
        const bool finding =
            typed_.isValid() && typed_.elapsed() < QApplication::keyboardInputInterval();
        const bool space = e->key() == Qt::Key_Space;
        if (space && !finding) return false;  // a space on its own opens the list
        typed_.start();
        if (space) find(text);
        return space;
    }

  private:
    void find(const QString& text) {
        QAbstractItemView* view = box_->view();
        view->setCurrentIndex(box_->model()->index(box_->currentIndex(), box_->modelColumn(),
                                                   box_->rootModelIndex()));
        view->keyboardSearch(text);
        const int found = view->currentIndex().row();
        if (found < 0 || found == box_->currentIndex()) return;
        box_->setCurrentIndex(found);
        emit box_->activated(found);  // as a choice typed by the other keys is announced
    }

    QComboBox* box_;
    QElapsedTimer typed_;
};

}  // namespace

int VbKeyCodeOf(const QKeyEvent* e) {
    const int k = e->key();
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return 'A' + (k - Qt::Key_A);
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return '0' + (k - Qt::Key_0);
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return vbKeyF1 + (k - Qt::Key_F1);
    switch (k) {
        case Qt::Key_Backspace: return vbKeyBack;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return vbKeyTab;
        case Qt::Key_Return:
        case Qt::Key_Enter: return vbKeyReturn;
        case Qt::Key_Escape: return vbKeyEscape;
        case Qt::Key_Space: return vbKeySpace;
        case Qt::Key_PageUp: return vbKeyPageUp;
        case Qt::Key_PageDown: return vbKeyPageDown;
        case Qt::Key_End: return vbKeyEnd;
        case Qt::Key_Home: return vbKeyHome;
        case Qt::Key_Left: return vbKeyLeft;
        case Qt::Key_Up: return vbKeyUp;
        case Qt::Key_Right: return vbKeyRight;
        case Qt::Key_Down: return vbKeyDown;
        case Qt::Key_Delete: return vbKeyDelete;
        case Qt::Key_Menu: return vbKeyMenu;
        case Qt::Key_Shift: return 16;
        case Qt::Key_Control: return 17;
        case Qt::Key_Alt: return 18;
        case Qt::Key_Period: return 190;
        case Qt::Key_Minus: return 189;
        default: return k < 128 ? k : 0;
    }
}

int VbKeyAsciiOf(const QKeyEvent* e) {
    const int k = e->key();
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    if (k == Qt::Key_Return || k == Qt::Key_Enter) return ctrl ? 10 : 13;
    if (k == Qt::Key_Escape) return 27;
    if (k == Qt::Key_Backspace) return 8;
    if (k == Qt::Key_Tab) return 9;
    if (ctrl && k >= Qt::Key_A && k <= Qt::Key_Z) return 1 + (k - Qt::Key_A);
    if (ctrl || (e->modifiers() & Qt::AltModifier)) return 0;
    const QString t = e->text();
    if (t.isEmpty() || t.at(0).unicode() < 32) return 0;
    return t.at(0).unicode();
}

int VbShiftOf(const QKeyEvent* e) {
    int s = 0;
    if (e->modifiers() & Qt::ShiftModifier) s |= vbShiftMask;
    if (e->modifiers() & Qt::ControlModifier) s |= vbCtrlMask;
    if (e->modifiers() & Qt::AltModifier) s |= vbAltMask;
    return s;
}

KeyRouter::KeyRouter(QWidget* form) : QObject(form), form_(form) {}

void KeyRouter::on(QWidget* control, KeyHandlers handlers) {
    handlers_[control] = std::move(handlers);
}

void KeyRouter::attach() {
    form_->installEventFilter(this);
    for (QWidget* w : form_->findChildren<QWidget*>()) w->installEventFilter(this);
}

QWidget* KeyRouter::controlFor(QObject* watched) const {
    for (QObject* o = watched; o && o != form_; o = o->parent())
        if (auto* w = qobject_cast<QWidget*>(o); w && handlers_.contains(w)) return w;
    return nullptr;
}

bool KeyRouter::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    // A key reaches the filter once for the focus widget; ignore the copies
    // that propagate to its parents.
    // A key a control did not take travels on to its parents; it was handled
    // for the control already. (When a handler opened and closed a window
    // meanwhile, no widget may have the focus to tell the copy by.)
    if (isCopyOfHandled(static_cast<QKeyEvent*>(event))) return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || (QApplication::focusWidget() && w != QApplication::focusWidget() && watched != form_))
        return false;
    if (watched == form_ && QApplication::focusWidget() && QApplication::focusWidget() != form_)
        return false;
    auto* e = static_cast<QKeyEvent*>(event);
    QWidget* control = controlFor(watched);
    const KeyHandlers* own = control ? &handlers_[control] : nullptr;
    const int shift = VbShiftOf(e);

    remember(e);
    return dispatch(e, own, shift);
}

bool KeyRouter::isCopyOfHandled(const QKeyEvent* e) const {
    return e == handled_.event && e->type() == handled_.type && e->key() == handled_.key &&
           e->modifiers() == handled_.modifiers && e->timestamp() == handled_.timestamp &&
           e->isAutoRepeat() == handled_.autoRepeat;
}

// Kept until the next key: a copy travelling to the parents comes before it.
// (A window opened by a handler runs the event loop before the copies go on.)
void KeyRouter::remember(const QKeyEvent* e) {
    handled_ = {e, e->type(), e->key(), e->modifiers(), e->timestamp(), e->isAutoRepeat()};
}

bool KeyRouter::dispatch(QKeyEvent* e, const KeyHandlers* own, int shift) {
    if (e->type() == QEvent::KeyRelease) {
        if (e->isAutoRepeat()) return false;
        int code = VbKeyCodeOf(e);
        if (preview_.keyUp) preview_.keyUp(code, shift);
        if (code && own && own->keyUp) own->keyUp(code, shift);
        return code == 0;
    }
    int code = VbKeyCodeOf(e);
    if (preview_.keyDown) preview_.keyDown(code, shift);
    if (code && own && own->keyDown) own->keyDown(code, shift);
    if (code == 0) return true;
    int ascii = VbKeyAsciiOf(e);
    if (ascii) {
        if (preview_.keyPress) preview_.keyPress(ascii);
        if (ascii && own && own->keyPress) own->keyPress(ascii);
        if (ascii == 0) return true;
    }
    return false;
}

void FindTypedTextWithSpaces(QComboBox* box) {
    new SpaceFinder(box);
}

void EnterToTabKey(int& keyCode) {
    if (keyCode != vbKeyReturn) return;
    QWidget* target = QApplication::focusWidget();
    if (!target) target = QApplication::activeWindow();
    if (!target) return;
    QApplication::postEvent(
        target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t")));
    QApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Tab, Qt::NoModifier,
                                                  QStringLiteral("\t")));
}

namespace {

class ShortcutKeeper : public QObject {
  public:
    ShortcutKeeper(QObject* parent, QList<QKeySequence> keys)
        : QObject(parent), keys_(std::move(keys)) {}

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::ShortcutOverride) return false;
        const QKeySequence pressed(static_cast<QKeyEvent*>(e)->keyCombination());
        if (!keys_.contains(pressed)) return false;
        e->ignore();  // not the box's: the shortcut map takes it
        return true;
    }

  private:
    QList<QKeySequence> keys_;
};

}  // namespace

void KeepShortcutsFromTextBoxes(QWidget* window, const QList<QKeySequence>& keys) {
    auto* keeper = new ShortcutKeeper(window, keys);
    for (QWidget* w : window->findChildren<QWidget*>())
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
            qobject_cast<QComboBox*>(w))
            w->installEventFilter(keeper);
}

}  // namespace pcp
