#include "ui/AmountEntry.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <algorithm>
#include <memory>

#include "data/EnteredAmount.h"

namespace pcp {

QValidator::State EnteredAmountValidator::validate(QString& input, int& pos) const {
    const QString trimmed = input.trimmed();
    if (trimmed.size() != input.size()) {
        input = trimmed;
        pos = std::min(pos, int(trimmed.size()));
    }
    if (!BeginsKeyedAmount(input, kEnteredWholeDigits, kEnteredDecimals)) return Invalid;
    return EnteredAmount(input, kEnteredWholeDigits, kEnteredDecimals) ? Acceptable : Intermediate;
}

AmountEntry::AmountEntry(QLineEdit* box, Tell tell)
    : QObject(box), box_(box), tell_(std::move(tell)) {
    // The rule bounds the length; a maximum length would cut a paste short.
    box->setValidator(new EnteredAmountValidator(box));
    box->installEventFilter(this);
}

bool AmountEntry::eventFilter(QObject* watched, QEvent* event) {
    if (watched != box_) return false;
    if (event->type() == QEvent::KeyPress) {
        if (!static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) return false;
        paste(QGuiApplication::clipboard()->text());
    } else if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData()->hasText()) return false;
        box_->setCursorPosition(box_->cursorPositionAt(drop->position().toPoint()));
        paste(drop->mimeData()->text());
        drop->acceptProposedAction();
    } else if (event->type() == QEvent::ContextMenu) {
        std::unique_ptr<QMenu> menu(box_->createStandardContextMenu());
        for (QAction* action : menu->actions()) {
            if (action->objectName() != u"edit-paste") continue;
            disconnect(action, &QAction::triggered, box_, nullptr);
            connect(action, &QAction::triggered, this,
                    [this] { paste(QGuiApplication::clipboard()->text()); });
        }
        menu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
    } else {
        return false;
    }
    return true;
}

void AmountEntry::paste(const QString& text) {
    const QString pasted = text.trimmed();
    const QString shown = box_->text();
    const int start = box_->hasSelectedText() ? box_->selectionStart() : box_->cursorPosition();
    const int end = start + int(box_->selectedText().size());
    if (BeginsAmount(shown.left(start) + pasted + shown.mid(end), kEnteredWholeDigits,
                     kEnteredDecimals))
        box_->insert(pasted);
    else
        tell_(EnteredAmountRule());
}

}  // namespace pcp
