#include "voucher/frmDebitEntry.h"

#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "data/Values.h"
#include "suite/BasModule.h"
#include "ui/AmountEntry.h"
#include "ui/Keys.h"
#include "ui/ListView.h"
#include "ui/MessageBox.h"
#include "ui/PlainText.h"
#include "ui/Twips.h"
#include "voucher/VoucherLines.h"
#include "voucher/frmpayments.h"

namespace pcp {

using namespace BasModule;

qint16 frmDebitEntry::intRowCount = 0;
qint16 frmDebitEntry::intDupExist = 0;

namespace {

// What the amount box holds: an entered amount, or the amount of a stored line
// shown for a change, which may have a third decimal.
std::optional<Decimal> amountIn(const QLineEdit* box) {
    return EnteredAmount(box->text(), kEnteredWholeDigits, kAmountScale);
}

}  // namespace

frmDebitEntry::frmDebitEntry(QWidget* parent) : VbForm(parent) {
    setObjectName(QStringLiteral("frmDebitEntry"));
    setWindowTitle(QStringLiteral("Debit Entry Form"));
    buildControls();
    connectHandlers();
    Form_Load();
}

frmDebitEntry::~frmDebitEntry() = default;

QString frmDebitEntry::messageTitle() const {
    return GStrMsgboxCaption;
}

frmpayments& frmDebitEntry::voucher() const {
    return PaymentsForm();
}

// --- layout -----------------------------------------------------------------

QToolButton* frmDebitEntry::navigationButton(const char* name, const QString& tip,
                                             QStyle::StandardPixmap icon) {
    auto* b = new QToolButton(this);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(tip);
    b->setIcon(style()->standardIcon(icon, nullptr, b));
    b->setIconSize(QSize(TwipsToPx(240), TwipsToPx(240)));
    b->setMinimumSize(TwipsToPx(420), TwipsToPx(380));
    b->setAutoRaise(false);
    return b;
}

void frmDebitEntry::buildControls() {
    fraBills = new QFrame(this);
    fraBills->setObjectName(QStringLiteral("fraBills"));
    fraBills->setFrameShape(QFrame::StyledPanel);
    auto* fields = new QGridLayout(fraBills);
    cboAccounts = new QComboBox(fraBills);
    cboAccounts->setObjectName(QStringLiteral("cboAccounts"));
    cboAccounts->setEditable(true);
    cboAccounts->setInsertPolicy(QComboBox::NoInsert);
    cboAccounts->setProperty("mandatory", true);
    // The list finds an account as its first letters are typed and completes
    // it in place; Tab or Enter takes the completion.
    cboAccounts->completer()->setCompletionMode(QCompleter::InlineCompletion);
    cboAccounts->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    txtDescription = new QLineEdit(fraBills);
    txtDescription->setObjectName(QStringLiteral("txtDescription"));
    txtDescription->setMaxLength(240);
    KeepEntryTextPlain(txtDescription);
    txtSettleAmt = new QLineEdit(fraBills);
    txtSettleAmt->setObjectName(QStringLiteral("txtSettleAmt"));
    txtSettleAmt->setAlignment(Qt::AlignRight);
    txtSettleAmt->setProperty("mandatory", true);
    txtSettleAmt->setMouseTracking(true);
    lblAmount = new QLabel(QStringLiteral("Account &Head :"), fraBills);
    lblAmount->setObjectName(QStringLiteral("lblAmount"));
    lblAmount->setBuddy(cboAccounts);
    label100 = new QLabel(QStringLiteral("&Description:"), fraBills);
    label100->setObjectName(QStringLiteral("label100"));
    label100->setBuddy(txtDescription);
    lblSettleAmt = new QLabel(QStringLiteral("A&mount :"), fraBills);
    lblSettleAmt->setObjectName(QStringLiteral("lblSettleAmt"));
    lblSettleAmt->setBuddy(txtSettleAmt);
    fields->addWidget(lblAmount, 0, 0);
    fields->addWidget(cboAccounts, 0, 1, 1, 2);
    fields->addWidget(label100, 1, 0);
    fields->addWidget(txtDescription, 1, 1, 1, 2);
    fields->addWidget(lblSettleAmt, 2, 0);
    fields->addWidget(txtSettleAmt, 2, 1);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(2, 1);

    cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdCancel = new QPushButton(QStringLiteral("&Close"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (QPushButton* b : {cmdOk, cmdCancel}) b->setAutoDefault(false);
    setCancelButton(cmdCancel);
    cmdFirst =
        navigationButton("cmdFirst", QStringLiteral("First line"), QStyle::SP_MediaSkipBackward);
    cmdPrevious = navigationButton("cmdPrevious", QStringLiteral("Previous line"),
                                   QStyle::SP_MediaSeekBackward);
    cmdNext = navigationButton("cmdNext", QStringLiteral("Next line"), QStyle::SP_MediaSeekForward);
    cmdLast = navigationButton("cmdLast", QStringLiteral("Last line"), QStyle::SP_MediaSkipForward);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    buttons->addStretch(1);
    for (QToolButton* b : {cmdFirst, cmdPrevious, cmdNext, cmdLast}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraBills);
    layout->addLayout(buttons);

    QWidget* order[] = {cboAccounts, txtDescription, txtSettleAmt, cmdOk,  cmdCancel,
                        cmdFirst,    cmdPrevious,    cmdNext,      cmdLast};
    for (size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
    setMinimumWidth(TwipsToPx(5610));
}

void frmDebitEntry::connectHandlers() {
    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { Handle("frmDebitEntry", "cmdCancel_Click", [&] { Unload(); }); });
    connect(cmdFirst, &QToolButton::clicked, this, [this] { cmdFirst_Click(); });
    connect(cmdPrevious, &QToolButton::clicked, this, [this] { cmdPrevious_Click(); });
    connect(cmdNext, &QToolButton::clicked, this, [this] { cmdNext_Click(); });
    connect(cmdLast, &QToolButton::clicked, this, [this] { cmdLast_Click(); });
    keys_ = new KeyRouter(this);
    keys_->on(cboAccounts, {.keyPress = [this](int& k) { cboAccounts_KeyPress(k); }});
    keys_->on(txtDescription, {.keyPress = [](int& k) {
                  if (k == vbKeyReturn) EnterToTab(k);
              }});
    keys_->on(txtSettleAmt, {.keyPress = [this](int& k) { txtSettleAmt_KeyPress(k); }});
    keys_->attach();
    // After the router: it sees the amount's pastes first.
    new AmountEntry(txtSettleAmt, [](const QString& text) { ModuleMsgBox(text, vbInformation); });
    txtSettleAmt->installEventFilter(this);
}

bool frmDebitEntry::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtSettleAmt) {
        if (event->type() == QEvent::FocusIn)
            // After the focus change has settled, or the click would undo it.
            QTimer::singleShot(0, this, [this] { txtSettleAmt_GotFocus(); });
        else if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter)
            txtSettleAmt_MouseMove();
    }
    return VbForm::eventFilter(watched, event);
}

// --- load -------------------------------------------------------------------

void frmDebitEntry::Form_Load() {
    Handle("frmDebitEntry", "Form_Load", [&] {
        vault_ = CreateObject(QStringLiteral("Kestrel.clsVault"));
        utility_ = CreateObject(QStringLiteral("Kestrel.clsUtility"));
        vault_.set("adocon", ObjectArg(GAdoCon.get()));
        GObjPalette.call("ApplyPalette", {ObjectArg(this)});
        fillAccounts();
        GObjTrail.call("SaveInToTag", {ObjectArg(this)});
        if (voucher().lvwAccounts->count() == 0) setNavigation(false, false, false, false);
    });
}

// The voucher department's accounts that a payment may debit: no bank, cash
// or fixed-asset accounts, no trade control accounts, no control account of
// the department; ordered by description.
void frmDebitEntry::fillAccounts() {
    const QString c = QString::number(GIntCompanyID);
    const QString d = QString::number(voucher().cboDepartment->currentData().toInt());
    vault_.set("strTableName",
               QStringLiteral("aaccountmaster am,agroupmaster gm ,vwnoncontrolaccounts nca") +
                   QStringLiteral(" left outer join adepControlAccounts dc on ") +
                   QStringLiteral(" nca.Accountid = dc.controlaccid and nca.companyid = "
                                  "dc.CompanyID and ") +
                   QStringLiteral("  nca.daDepartmentid = dc.maindepid"));
    const QString condition =
        QStringLiteral(" am.groupID=gm.groupID and am.groupid<>(select bankgroupID from ") +
        QStringLiteral("asettings where CompanyID=") + c + QStringLiteral(" ) and am.groupid<> ") +
        QStringLiteral(" (select isnull(cashgroupID,0) from asettings where CompanyID=") + c +
        QStringLiteral(
            ") and am.groupid <>  (select fixedassetgroupid from asettings where "
            "CompanyID=") +
        c + QStringLiteral(") and ") +
        QStringLiteral(" am.accountid <> (select isnull(TradeDebtorAcID,0) from asettings where ") +
        QStringLiteral(" companyid=") + c + QStringLiteral(") and ") +
        QStringLiteral(
            " am.accountid <> (select isnull(TradeCreditorAcID,0) from asettings "
            "where ") +
        QStringLiteral(" companyid=") + c + QStringLiteral(") and ") +
        QStringLiteral(" am.CompanyID = gm.companyid and am.CompanyID=") + c +
        QStringLiteral(" and ") +
        QStringLiteral(" am.companyid=nca.companyid and nca.accountid=am.accountid and ") +
        QStringLiteral(" nca.dadepartmentid=") + d + QStringLiteral(" and dc.maindepid is null") +
        QStringLiteral(" order by Accountdesc");
    vault_.call("populateComboorList", {ObjectArg(cboAccounts), QStringLiteral("am.AccountID"),
                                        QStringLiteral("Accountdesc"), condition});
    cboAccounts->setCurrentIndex(-1);
    cboAccounts->clearEditText();
}

// --- keys and the amount ---------------------------------------------------------

void frmDebitEntry::cboAccounts_KeyPress(int& keyAscii) {
    Handle("frmDebitEntry", "cboAccounts_KeyPress", [&] { EnterToTab(keyAscii); });
}

void frmDebitEntry::txtSettleAmt_KeyPress(int& keyAscii) {
    Handle("frmDebitEntry", "txtSettleAmt_KeyPress", [&] {
        EnterToTab(keyAscii);
        keyAscii = utility_
                       .call("TextValidateNum", {ObjectArg(txtSettleAmt), keyAscii,
                                                 kEnteredWholeDigits, kEnteredDecimals})
                       .toInt();
    });
}

void frmDebitEntry::txtSettleAmt_GotFocus() {
    Handle("frmDebitEntry", "txtSettleAmt_GotFocus",
           [&] { txtSettleAmt->setSelection(0, int(txtSettleAmt->text().size())); });
}

// The amount in readable form, with thousands separators.
void frmDebitEntry::txtSettleAmt_MouseMove() {
    Handle("frmDebitEntry", "txtSettleAmt_MouseMove", [&] {
        const Decimal amount = amountIn(txtSettleAmt).value_or(Decimal());
        txtSettleAmt->setToolTip(Format(amount, QStringLiteral("###,###,##0.00######")));
    });
}

// --- OK ---------------------------------------------------------------------

// A typed account is valid only as an entry of the list. The entry chosen
// stays chosen while its text is shown: another account may have the same name.
bool frmDebitEntry::accountIsValid() {
    const QString typed = cboAccounts->currentText();
    if (typed.isEmpty()) return false;
    const int chosen = cboAccounts->currentIndex();
    if (chosen >= 0 && cboAccounts->itemText(chosen).compare(typed, Qt::CaseInsensitive) == 0)
        return true;
    const int entry = cboAccounts->findText(typed, Qt::MatchFixedString);
    if (entry < 0) return false;
    cboAccounts->setCurrentIndex(entry);
    return true;
}

// Empty or nil asks for an amount; anything else that is no positive amount
// is refused with what is accepted.
std::optional<Decimal> frmDebitEntry::lineAmount() {
    const std::optional<Decimal> amount = amountIn(txtSettleAmt);
    const bool missing = txtSettleAmt->text().trimmed().isEmpty() || (amount && amount->isZero());
    if (!missing && amount) return amount;
    ModuleMsgBox(missing ? QStringLiteral("Enter Amount") : EnteredAmountRule(), vbInformation);
    txtSettleAmt->setFocus();
    return std::nullopt;
}

void frmDebitEntry::cmdOk_Click() {
    Handle("frmDebitEntry", "cmdOk_Click", [&] {
        frmpayments& form = voucher();
        ListView* lines = form.lvwAccounts;
        if (!accountIsValid()) {
            ModuleMsgBox(QStringLiteral("Select Valid Account"), vbInformation);
            if (cboAccounts->isEnabled()) cboAccounts->setFocus();
            return;
        }
        const std::optional<Decimal> amount = lineAmount();
        if (!amount) return;
        const bool adding = form.StrNewEditFlag == u"N";
        if (adding) intRowCount = qint16(lines->count() + 1);
        const qint32 account = cboAccounts->currentData().toInt();
        if (lines->count() > 0) {
            ListDuplicateCheck(account);
            if (intDupExist == 1) return;
        }
        // The rate first: a line never takes an account without its rate.
        const QString rate = VoucherRate(account, QStringLiteral("A"));
        if (!adding) {
            const int selected = lines->selectedIndex();
            intRowCount = CInt(lines->itemText(selected));
            writeLine(selected, *amount, rate);
            lines->setSelectedIndex(selected);
        } else {
            writeLine(lines->add(QString::number(intRowCount)), *amount, rate);
        }
        form.blnItemChange = true;
        if (lines->count() >= 2) setNavigation(true, true, true, true);
        if (form.StrNewEditFlag == u"E") {
            form.RecomputeTotal();
            if (lines->selectedIndex() == lines->count()) {
                Unload();
                return;
            }
            cmdNext_Click();
        } else {
            clearFields();
            txtDescription->setFocus();
        }
        form.RecomputeTotal();
        cboAccounts->setFocus();
    });
}

void frmDebitEntry::writeLine(int index, const Decimal& amount, const QString& rate) {
    ListView* lines = voucher().lvwAccounts;
    lines->setItemText(index, QString::number(intRowCount));
    lines->setColumnValue(index, LineColumn::kAccountName, cboAccounts->currentText());
    lines->setColumnValue(index, LineColumn::kDescription, txtDescription->text());
    lines->setColumnValue(index, LineColumn::kAmount, LineAmountText(amount));
    lines->setColumnValue(index, LineColumn::kAccountId,
                          QString::number(cboAccounts->currentData().toInt()));
    lines->setColumnValue(index, LineColumn::kRate, rate);
    lines->setColumnValue(index, LineColumn::kAgreement, QStringLiteral("0"));
}

void frmDebitEntry::clearFields() {
    cboAccounts->setCurrentIndex(-1);
    cboAccounts->clearEditText();
    txtSettleAmt->clear();
    txtDescription->clear();
}

// The same account may stand on two lines only with the selected line's amount.
void frmDebitEntry::ListDuplicateCheck(qint32 AccountCode) {
    Handle("frmDebitEntry", "ListDuplicateCheck", [&] {
        intDupExist = 0;
        ListView* lines = voucher().lvwAccounts;
        const int count = lines->count();
        const int selected = lines->selectedIndex();
        const auto amountOf = [&](int i) {
            return CDec(lines->columnValue(i, LineColumn::kAmount));
        };
        const Decimal selectedAmount = selected > 0 ? amountOf(selected) : Decimal();
        for (int i = 1; i <= count; ++i) {
            if (i == intRowCount) continue;
            if (CLng(lines->columnValue(i, LineColumn::kAccountId)) != AccountCode) continue;
            if (amountOf(i) == selectedAmount) continue;
            ModuleMsgBox(QStringLiteral("Data already exists with this Account"), vbInformation);
            cboAccounts->setFocus();
            intDupExist = 1;
        }
    });
}

}  // namespace pcp
