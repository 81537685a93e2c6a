// The voucher header's choices: the department brings its own and the
// company's exchange rates; the cash/bank account brings its rate and
// currency symbol and turns the payment amount into its currency.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "../core/BasModule.h"
#include "../core/VoucherLines.h"
#include "frmpayments.h"

namespace pcp {

using namespace BasModule;

namespace {

qint32 selectedId(const QComboBox* box) {
    return box->currentData().toInt();
}

}  // namespace

bool frmpayments::departmentChosen() {
    return cboDepartment->currentIndex() >= 0;
}

bool frmpayments::accountChosen() {
    return cboAccName->currentIndex() >= 0;
}

void frmpayments::cboDepartment_Click() {
    Handle("frmpayments", "cboDepartment_Click", [&] {
        if (!departmentChosen()) return;
        txtDepExRates->setText(GetSellingRate(selectedId(cboDepartment), QStringLiteral("D")));
        txtComExRates->setText(GetSellingRate(GIntCompanyID, QStringLiteral("C")));
    });
}

void frmpayments::cboAccName_Click() {
    Handle("frmpayments", "cboAccName_Click", [&] {
        if (!accountChosen()) return;
        const qint32 account = selectedId(cboAccName);
        lblTotalAmt->setText(QStringLiteral("Pmt Amount (") +
                             GetCurrencySymbol(account, QStringLiteral("A")) +
                             QStringLiteral("):"));
        txtAccExRates->setText(GetSellingRate(account, QStringLiteral("A")));
        if (!txtTotal->text().isEmpty()) RecomputeTotal();
    });
}

}  // namespace pcp
