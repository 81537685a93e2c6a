#include "ui/MessageBox.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QStyle>

namespace pcp {

namespace {

MessagePresenter& presenter() {
    static MessagePresenter p;
    return p;
}

// The width a title bar needs for the whole title: window managers draw it in
// a bolder face than the application's, beside the window's icon and buttons.
int TitleBarWidth(const QWidget& box, const QString& title) {
    QFont face = QApplication::font();
    face.setBold(true);
    const int buttons = 3 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    return QFontMetrics(face).horizontalAdvance(title) + buttons;
}

// A short message under a long title would be sized to its text and cut the
// title short; a spacer across the box keeps it at least as wide as its title.
void KeepTitleWhole(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    grid->addItem(new QSpacerItem(TitleBarWidth(box, box.windowTitle()), 0, QSizePolicy::Minimum,
                                  QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

int showReal(const MessageRequest& r) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(r.title);
    box.setTextFormat(Qt::PlainText);  // a payee or a path is shown as written
    box.setText(r.text);
    switch (r.icon()) {
        case vbCritical: box.setIcon(QMessageBox::Critical); break;
        case vbQuestion: box.setIcon(QMessageBox::Question); break;
        case vbExclamation: box.setIcon(QMessageBox::Warning); break;
        case vbInformation: box.setIcon(QMessageBox::Information); break;
        default: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct Choice {
        QMessageBox::StandardButton button;
        int result;
    };
    QList<Choice> choices;
    switch (r.buttons()) {
        case vbOKCancel:
            choices = {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}};
            break;
        case vbAbortRetryIgnore:
            choices = {{QMessageBox::Abort, vbAbort},
                       {QMessageBox::Retry, vbRetry},
                       {QMessageBox::Ignore, vbIgnore}};
            break;
        case vbYesNoCancel:
            choices = {{QMessageBox::Yes, vbYes},
                       {QMessageBox::No, vbNo},
                       {QMessageBox::Cancel, vbCancel}};
            break;
        case vbYesNo: choices = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}}; break;
        case vbRetryCancel:
            choices = {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}};
            break;
        default: choices = {{QMessageBox::Ok, vbOK}}; break;
    }
    for (const Choice& c : choices) box.addButton(c.button);
    const int def = std::min<int>(r.defaultButton(), int(choices.size()) - 1);
    box.setDefaultButton(choices[def].button);
    KeepTitleWhole(box);
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const Choice& c : choices)
        if (c.button == clicked) return c.result;
    // Closed without a button: the cancel answer when there is one, else the first.
    for (const Choice& c : choices)
        if (c.result == vbCancel || c.result == vbNo) return c.result;
    return choices.front().result;
}

}  // namespace

QString DefaultMessageTitle() {
    return QStringLiteral("PettyCashPayments");
}

int MsgBox(const QString& text, int style, const QString& title) {
    MessageRequest r{text, style, title.isEmpty() ? DefaultMessageTitle() : title};
    if (presenter()) return presenter()(r);
    return showReal(r);
}

void SetMessagePresenter(MessagePresenter p) {
    presenter() = std::move(p);
}

MessagePresenter CurrentMessagePresenter() {
    return presenter();
}

}  // namespace pcp
