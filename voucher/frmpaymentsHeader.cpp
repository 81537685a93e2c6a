// The voucher header's choices: the department brings its own and the
// company's exchange rates; the cash/bank account brings its rate and
// currency symbol and turns the payment amount into its currency. Today's
// rates come only with the user's choice: a stored voucher keeps its own.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "store/CashCount.h"
#include "suite/BasModule.h"
#include "voucher/VoucherLines.h"
#include "voucher/frmpayments.h"

namespace pcp {

using namespace BasModule;

namespace {

qint32 selectedId(const QComboBox* box) {
    return box->currentData().toInt();
}

QString amountCaption(qint32 account) {
    return QStringLiteral("Pmt Amount (") + GetCurrencySymbol(account, QStringLiteral("A")) +
           QStringLiteral("):");
}

// Back to the entry whose rates the window holds, without choosing it again.
void restoreChoice(QComboBox* box, int index) {
    const QSignalBlocker quiet(box);
    box->setCurrentIndex(index);
}

}  // namespace

bool frmpayments::departmentChosen() {
    return cboDepartment->currentIndex() >= 0;
}

bool frmpayments::accountChosen() {
    return cboAccName->currentIndex() >= 0;
}

// Both rates are fetched before either is written; a lookup that fails leaves
// the department shown with its rates.
void frmpayments::cboDepartment_Click() {
    const bool taken = Handle("frmpayments", "cboDepartment_Click", [&] {
        if (!departmentChosen()) return;
        const QString department = VoucherRate(selectedId(cboDepartment), QStringLiteral("D"));
        const QString company = VoucherRate(GIntCompanyID, QStringLiteral("C"));
        txtDepExRates->setText(department);
        txtComExRates->setText(company);
        chosenDepartment_ = cboDepartment->currentIndex();
    });
    if (!taken) restoreChoice(cboDepartment, chosenDepartment_);
}

// The currency, the rate and the amount in it are all found before any is
// shown; a lookup that fails leaves the account shown with its own.
void frmpayments::cboAccName_Click() {
    const bool taken = Handle("frmpayments", "cboAccName_Click", [&] {
        if (!accountChosen()) return;
        const qint32 account = selectedId(cboAccName);
        const QString caption = amountCaption(account);
        const QString rate = VoucherRate(account, QStringLiteral("A"));
        const bool hasTotal = !txtTotal->text().isEmpty();
        const QString total = hasTotal ? AmountText(LinesTotal(lvwAccounts, rate)) : QString();
        lblTotalAmt->setText(caption);
        txtAccExRates->setText(rate);
        if (hasTotal) txtTotal->setText(total);
        chosenAccount_ = cboAccName->currentIndex();
        ShowFloatLeft();
    });
    if (!taken) restoreChoice(cboAccName, chosenAccount_);
}

void frmpayments::showStoredChoices(const QVariant& departmentId, const QVariant& accountId,
                                    const QString& accountRate) {
    {
        const QSignalBlocker department(cboDepartment), account(cboAccName);
        GObjUtility.call("SelectComboItemByValue", {ObjectArg(cboDepartment), departmentId});
        GObjUtility.call("SelectComboItemByValue", {ObjectArg(cboAccName), accountId});
    }
    chosenDepartment_ = cboDepartment->currentIndex();
    if (accountRate.isEmpty()) {
        cboAccName_Click();  // stored without it: today's, as when the account is chosen
        return;
    }
    chosenAccount_ = cboAccName->currentIndex();
    if (accountChosen()) lblTotalAmt->setText(amountCaption(selectedId(cboAccName)));
    txtAccExRates->setText(accountRate);
    ShowFloatLeft();
}

}  // namespace pcp

namespace pcp {

void frmpayments::ShowFloatLeft() {
    const qint32 account = cboAccName->currentData().toInt();
    const qint32 editing = GStrMasterNewEditFlag == u"E" ? GIntPaymentID : 0;
    const std::optional<CashCount::FloatLeft> left =
        account ? CashCount::FloatLeftOf(account, editing) : std::nullopt;
    lblFloatLeft->setText(left ? CashCount::FloatLeftText(*left) : QString());
    lblFloatLeft->setVisible(left.has_value());
}

}  // namespace pcp
