#include "ui/Modal.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

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
    return window->exec();
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
