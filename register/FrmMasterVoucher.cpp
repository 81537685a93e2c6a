// The register's voucher commands: New opens an empty voucher window, Edit
// loads the current row's voucher into it (read-only when cancelled, not
// saveable when posted), and after either the register follows its current row.

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>

#include "data/Values.h"
#include "register/FrmMaster.h"
#include "store/CashCount.h"
#include "store/VoucherStore.h"
#include "suite/BasModule.h"
#include "suite/RegisterRows.h"
#include "ui/FlexGrid.h"
#include "ui/ListView.h"
#include "ui/MessageBox.h"
#include "ui/Modal.h"
#include "voucher/VoucherLines.h"
#include "voucher/frmpayments.h"

namespace pcp {

using namespace BasModule;

// The commands follow the row the user now sees, as when the user moves onto
// it, and the keys go to that row.
void FrmMaster::followCurrentRow() {
    enableWriting(CmdEdit, HasRight(QStringLiteral("E")));
    afterFill();
    flexMaster->setFocus();
}

void FrmMaster::cmdNew_Click() {
    Handle("FrmMaster", "cmdNew_Click", [&] {
        if (!tellIfNotWritable()) return;
        GObjTrail.set("LoggedTime", Now());
        GStrMasterNewEditFlag = QStringLiteral("N");
        ShowModal(&PaymentsForm(), this);
        UnloadPaymentsForm();
        followCurrentRow();
    });
}

void FrmMaster::CmdEdit_Click() {
    const bool shown = Handle("FrmMaster", "CmdEdit_Click", [&] {
        GStrMasterNewEditFlag = QStringLiteral("E");
        const int row = flexMaster->row();
        const QString id = flexMaster->textMatrix(row, RegisterColumn::kKey);
        GIntPaymentID = CLng(id);
        // Another workstation may have cancelled, posted or unposted it since
        // the row was shown (perhaps out of the search that listed it): the
        // row shows the stored flags before they decide.
        const QStringList storedRow = VoucherStore::RegisterRowOf(GIntPaymentID);
        if (!storedRow.isEmpty()) rows_->putRow(storedRow);
        showStoredRow(row);
        frmpayments& form = PaymentsForm();
        if (flexMaster->textMatrix(row, RegisterColumn::kCancelled) == u"Yes") {
            ModuleMsgBox(QStringLiteral("Entry Cancelled,Cannot Modify"), vbInformation);
            form.ShowReadOnly();
        } else if (flexMaster->textMatrix(row, RegisterColumn::kPosted) == u"Yes") {
            ModuleMsgBox(QStringLiteral("Entry Posted,Cannot Modify"), vbInformation);
            form.cmdOk->setEnabled(false);
        } else if (const auto count = CashCount::CoveringCount(GIntPaymentID)) {
            // Counted and replenished: closed for good, shown as it stands.
            ModuleMsgBox(CashCount::ClosedMessage(
                             flexMaster->textMatrix(row, RegisterColumn::kNumber), *count),
                         vbInformation);
            form.ShowReadOnly();
        }
        const std::optional<VoucherForEdit> stored = VoucherStore::ReadForEdit(GIntPaymentID);
        if (!stored)
            pcp::raise(kErrNoCurrentRecord, QStringLiteral("PettyCashPayments"),
                       QStringLiteral("The voucher is no longer in the database."));
        fillVoucherForEdit(*stored);
        LoadVoucherLines(*stored);
        form.txtTotal->setText(AmountText(stored->amount));
        ShowModal(&form, this);
    });
    // A voucher that could not be loaded whole is not kept half filled.
    UnloadPaymentsForm();
    if (shown) followCurrentRow();
}

void FrmMaster::fillVoucherForEdit(const VoucherForEdit& stored) {
    frmpayments& form = PaymentsForm();
    form.txtpaymentNo->setText(stored.paymentNo);
    form.dtpDate->setDate(stored.paymentDate);
    form.txtPayee->setText(stored.payee);
    form.txtRefNo->setText(stored.referenceNo);
    // The voucher's own rates, not today's: its lines were converted at them.
    form.showStoredChoices(stored.departmentId, stored.accountId, stored.exRate);
    form.txtRemarks->setText(stored.remarks);
    form.txtusername->setText(stored.userName);
    // Rates are numbers: one that was never stored reads as no rate.
    form.txtDepExRates->setText(stored.depExRate);
    form.txtComExRates->setText(stored.comExRate);
}

// The stored lines, numbered 1..n in detail order whatever their stored ids.
void FrmMaster::LoadVoucherLines(const VoucherForEdit& stored) {
    ListView* lines = PaymentsForm().lvwAccounts;
    int i = 0;
    for (const StoredVoucherLine& line : stored.lines) {
        const int item = lines->add(QString::number(++i));
        lines->setColumnValue(item, LineColumn::kAccountName, line.accountName);
        lines->setColumnValue(item, LineColumn::kDescription, line.description);
        // As stored: 12.5 reads "12.5", 33.333 "33.333"; no decimal is added or lost.
        lines->setColumnValue(item, LineColumn::kAmount, NumberText(line.amount));
        lines->setColumnValue(
            item, LineColumn::kAccountId,
            line.debitAccountId == 0 ? QString() : QString::number(line.debitAccountId));
        lines->setColumnValue(item, LineColumn::kRate, line.exRate);
        lines->setColumnValue(item, LineColumn::kAgreement, QStringLiteral("0"));
    }
}

}  // namespace pcp
