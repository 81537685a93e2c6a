#include "ui/VbForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPalette>
#include <QShortcut>

#include "ui/Help.h"

namespace pcp {

VbForm::VbForm(QWidget* parent) : QDialog(parent) {
    // Only the hints named: a title, the system menu and the close box, never a
    // minimise or maximise button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    // The windows are laid out in twips for an 8-point sans serif face.
    QFont face(QStringLiteral("Arial"));
    face.setPointSizeF(8.25);
    setFont(face);
    // F1 anywhere in the window opens the application's help, once one is set.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] {
        if (!HelpFile().isEmpty()) ShowHelp(this, messageTitle(), helpTopic());
    });
}

bool VbForm::Unload() {
    unloadMode_ = vbFormCode;
    const bool closed = close();
    unloadMode_ = vbFormControlMenu;
    return closed;
}

void VbForm::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        if (cancelButton_ && cancelButton_->isEnabled() && cancelButton_->isVisible())
            cancelButton_->click();
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        // No implicit default button: Enter belongs to the fields, and presses
        // a button only when the button itself has the focus.
        if (auto* button = qobject_cast<QAbstractButton*>(focusWidget());
            button && button->isEnabled() && e->modifiers() == Qt::NoModifier)
            button->animateClick();
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void VbForm::closeEvent(QCloseEvent* e) {
    if (unloading_) {
        e->accept();
        return;
    }
    if (!queryUnload(unloadMode_)) {
        e->ignore();
        return;
    }
    unloading_ = true;
    e->accept();
    done(QDialog::Rejected);
    unloading_ = false;
}

void VbForm::reject() {
    close();
}

void VbForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (e->spontaneous()) return;
    keepOpeningSize();
    formActivate();
}

// The windows are fixed dialogs: the size a window opens at is its size for
// good, so no window manager offers to maximise it or drag it larger.
void VbForm::keepOpeningSize() {
    if (minimumSize() != maximumSize()) setFixedSize(size());
}

QColor OleColor(quint32 value) {
    if (value & 0x80000000u) {
        const QPalette p = qApp ? QApplication::palette() : QPalette();
        switch (value & 0xFF) {
            case 0x05: return p.color(QPalette::Base);
            case 0x08: return p.color(QPalette::Text);
            case 0x0D: return p.color(QPalette::Highlight);
            case 0x0E: return p.color(QPalette::HighlightedText);
            case 0x0F: return p.color(QPalette::Button);
            case 0x12: return p.color(QPalette::ButtonText);
            default: return p.color(QPalette::WindowText);
        }
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

}  // namespace pcp
