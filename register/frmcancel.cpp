#include "register/frmcancel.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "suite/BasModule.h"
#include "ui/Keys.h"
#include "ui/MessageBox.h"
#include "ui/PlainText.h"
#include "ui/Twips.h"

namespace pcp {

using namespace BasModule;

namespace {

void place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(TwipsToPx(left), TwipsToPx(top), TwipsToPx(width), TwipsToPx(height));
}

constexpr int kApostrophe = 39;

}  // namespace

frmcancel::frmcancel(QString& strCancelReason, QWidget* parent)
    : VbForm(parent), strCancelReason_(strCancelReason) {
    setObjectName(QStringLiteral("frmcancel"));
    setWindowTitle(QStringLiteral("Reason For Deletion"));
    buildControls();
    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    keys_ = new KeyRouter(this);
    keys_->on(txtcanreason, {.keyPress = [this](int& k) { txtcanreason_KeyPress(k); },
                             .keyUp = [this](int& k, int shift) { txtcanreason_KeyUp(k, shift); }});
    keys_->attach();
    Form_Load();
}

QString frmcancel::messageTitle() const {
    return GStrMsgboxCaption;
}

// One line: the label, the reason box and OK, which Escape also presses.
void frmcancel::buildControls() {
    setFixedSize(TwipsToPx(6360), TwipsToPx(510));
    Label1 = new QLabel(QStringLiteral("&Reason :"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    place(Label1, 120, 135, 780, 255);
    txtcanreason = new QLineEdit(this);
    txtcanreason->setObjectName(QStringLiteral("txtcanreason"));
    txtcanreason->setMaxLength(50);
    KeepEntryTextPlain(txtcanreason);
    place(txtcanreason, 960, 90, 4320, 330);
    Label1->setBuddy(txtcanreason);
    cmdOk = new QPushButton(QStringLiteral("&OK"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setAutoDefault(false);
    place(cmdOk, 5400, 60, 855, 390);
    setCancelButton(cmdOk);
    setTabOrder(txtcanreason, cmdOk);
    txtcanreason->setFocus();
    // Centred on the screen, as the dialog was designed.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmcancel::Form_Load() {
    Handle("frmcancel", "Form_Load", [&] { GObjPalette.call("ApplyPalette", {ObjectArg(this)}); });
}

void frmcancel::formActivate() {
    Handle("frmcancel", "Form_Activate", [&] {
        strCancelReason_.clear();
        setWindowTitle(QStringLiteral("Reason for deletion"));
        txtcanreason->setFocus();
    });
}

void frmcancel::txtcanreason_KeyPress(int& keyAscii) {
    Handle("frmcancel", "txtcanreason_KeyPress", [&] {
        if (keyAscii == kApostrophe) keyAscii = 0;
        EnterToTab(keyAscii);
    });
}

void frmcancel::txtcanreason_KeyUp(int& keyCode, int shift) {
    Handle("frmcancel", "txtcanreason_KeyUp",
           [&] { cmdOk->setEnabled(!txtcanreason->text().trimmed().isEmpty()); });
}

bool frmcancel::acceptReason() {
    if (!txtcanreason->text().trimmed().isEmpty()) {
        strCancelReason_ = txtcanreason->text();
        cmdOk->setEnabled(false);
        return true;
    }
    ModuleMsgBox(QStringLiteral("Enter reason for deletion"), vbInformation);
    txtcanreason->setFocus();
    return false;
}

void frmcancel::cmdOk_Click() {
    Handle("frmcancel", "cmdOk_Click", [&] {
        if (acceptReason()) Unload();
    });
}

// Closing is refused while OK stands for a reason not yet accepted, until
// the OK action accepts one; an error never traps the user in the dialog.
bool frmcancel::queryUnload(int unloadMode) {
    bool close = true;
    Handle("frmcancel", "Form_QueryUnload", [&] {
        if (cmdOk->isEnabled()) close = acceptReason();
    });
    return close;
}

}  // namespace pcp
