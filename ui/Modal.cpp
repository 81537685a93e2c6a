#include "ui/Modal.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace pcp {

namespace {
ModalHook& hook() {
    static ModalHook h;
    return h;
}
int& openCount() {
    static int n = 0;
    return n;
}
// A window closed from inside its own handlers (a save that unloads it, a
// question answered just before) leaves no active window behind on some
// window managers, and then no control takes a key: the owner takes it back.
void giveBackTheKeyboard(const QPointer<QWidget>& owner) {
    if (!owner || !owner->isVisible()) return;
    QPointer<QWidget> window = owner->window();
    window->raise();
    window->activateWindow();
    // The window system may already count the owner as active, and then tells
    // nobody: once the closed window is gone, the owner (itself modal, or
    // under no modal window) takes the keys itself.
    QTimer::singleShot(0, window, [window] {
        if (!window || !window->isVisible() || QApplication::activeWindow() == window) return;
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == window) QApplication::setActiveWindow(window);
    });
}

}  // namespace

int ShowModal(QDialog* window, QWidget* owner) {
    if (owner && window->parentWidget() != owner) {
        const Qt::WindowFlags flags = window->windowFlags();
        window->setParent(owner, flags | Qt::Dialog);
    }
    window->setWindowModality(Qt::ApplicationModal);
    if (hook()) {
        ModalHook h = hook();
        QPointer<QDialog> guarded(window);
        QTimer::singleShot(0, window, [h, guarded] {
            if (guarded && guarded->isVisible()) h(guarded);
        });
    }
    ++openCount();
    struct Count {
        ~Count() { --openCount(); }
    } count;
    const QPointer<QWidget> guardedOwner(owner);
    const int result = window->exec();
    giveBackTheKeyboard(guardedOwner);
    return result;
}

void SetModalHook(ModalHook h) {
    hook() = std::move(h);
}

ModalHook CurrentModalHook() {
    return hook();
}

int OpenModalCount() {
    return openCount();
}

}  // namespace pcp
