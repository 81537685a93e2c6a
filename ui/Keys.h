#pragma once
// Keyboard handling in the classic shape: key-down and key-up with a virtual
// key code and shift state, key-press with a character code. A handler that
// sets the code to 0 swallows the key. A window's preview handler sees every
// key before the control's own handler.

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

class QComboBox;
class QKeyEvent;
class QWidget;

namespace pcp {

enum VbKeyCode {
    vbKeyBack = 8,
    vbKeyTab = 9,
    vbKeyReturn = 13,
    vbKeyEscape = 27,
    vbKeySpace = 32,
    vbKeyPageUp = 33,
    vbKeyPageDown = 34,
    vbKeyEnd = 35,
    vbKeyHome = 36,
    vbKeyLeft = 37,
    vbKeyUp = 38,
    vbKeyRight = 39,
    vbKeyDown = 40,
    vbKeyDelete = 46,
    vbKeyMenu = 93,  // the context-menu key
    vbKeyF1 = 112,
    vbKeyF5 = 116,
    vbKeyF10 = 121,
    vbKeyF11 = 122,
};

enum VbShift { vbShiftMask = 1, vbCtrlMask = 2, vbAltMask = 4 };

int VbKeyCodeOf(const QKeyEvent* e);
int VbKeyAsciiOf(const QKeyEvent* e);  // 0 when the key gives no character
int VbShiftOf(const QKeyEvent* e);

// Any handler may be left out.
struct KeyHandlers {
    std::function<void(int& keyCode, int shift)> keyDown = {};
    std::function<void(int& keyAscii)> keyPress = {};
    std::function<void(int& keyCode, int shift)> keyUp = {};
};

// One per window: routes the keys of its controls to their handlers.
class KeyRouter : public QObject {
    Q_OBJECT
  public:
    explicit KeyRouter(QWidget* form);
    void setPreview(KeyHandlers handlers) { preview_ = std::move(handlers); }
    void on(QWidget* control, KeyHandlers handlers);
    // Installs the router on every control of the window (call after building it).
    void attach();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* controlFor(QObject* watched) const;
    bool dispatch(QKeyEvent* e, const KeyHandlers* own, int shift);
    bool isCopyOfHandled(const QKeyEvent* e) const;
    void remember(const QKeyEvent* e);
    struct Handled {
        const QKeyEvent* event = nullptr;
        int type = 0;
        int key = 0;
        Qt::KeyboardModifiers modifiers;
        quint64 timestamp = 0;
        bool autoRepeat = false;
    } handled_;

    QWidget* form_;
    KeyHandlers preview_;
    QHash<QWidget*, KeyHandlers> handlers_;
};

// Enter moves to the next control: when the key is Enter, a Tab keystroke is
// sent to the active window. The key itself is left as it is.
void EnterToTabKey(int& keyCode);

// A list-only combo box finds its entries by the text typed, spaces included:
// a space typed while finding is part of the text instead of opening the list.
void FindTypedTextWithSpaces(QComboBox* box);

// A window's shortcut keys that its text boxes, date boxes and editable lists
// would take for themselves (Ctrl+E moves to the line's end there): with the
// focus in any of them, the keys go to the window's shortcut. Call after the
// controls are built.
void KeepShortcutsFromTextBoxes(QWidget* window, const QList<QKeySequence>& keys);

}  // namespace pcp
