// The register's voucher commands: New opens an empty voucher window, Edit
// loads the current row's voucher into it (read-only when cancelled, not
// saveable when posted), and after either the register follows its current row.

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>

#include "data/AdoRecordset.h"
#include "data/Values.h"
#include "register/FrmMaster.h"
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

namespace {

// A text column never written reads as empty: the voucher still opens.
QString textOf(const AdoRecordset& rs, const char* field) {
    return Text(rs.Fields(QLatin1String(field)));
}

}  // namespace

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
        const QStringList stored = VoucherStore::RegisterRowOf(GIntPaymentID);
        if (!stored.isEmpty()) rows_->putRow(stored);
        showStoredRow(row);
        frmpayments& form = PaymentsForm();
        if (flexMaster->textMatrix(row, RegisterColumn::kCancelled) == u"Yes") {
            ModuleMsgBox(QStringLiteral("Entry Cancelled,Cannot Modify"), vbInformation);
            form.ShowReadOnly();
        } else if (flexMaster->textMatrix(row, RegisterColumn::kPosted) == u"Yes") {
            ModuleMsgBox(QStringLiteral("Entry Posted,Cannot Modify"), vbInformation);
            form.cmdOk->setEnabled(false);
        }
        AdoRecordset header;
        header.Open(QStringLiteral("select * from aHqPettyCashPaymentHeader where phPaymentID='") +
                        id + QStringLiteral("' and phCompanyID=") + QString::number(GIntCompanyID),
                    GAdoCon, adOpenKeyset, adLockOptimistic);
        if (header.Eof())
            pcp::raise(kErrNoCurrentRecord, QStringLiteral("PettyCashPayments"),
                       QStringLiteral("The voucher is no longer in the database."));
        fillVoucherForEdit(header);
        LoadVoucherLines();
        form.txtTotal->setText(AmountText(CDec(header.Fields(QStringLiteral("phAmount")))));
        ShowModal(&form, this);
        header.Close();
    });
    // A voucher that could not be loaded whole is not kept half filled.
    UnloadPaymentsForm();
    if (shown) followCurrentRow();
}

void FrmMaster::fillVoucherForEdit(const AdoRecordset& header) {
    frmpayments& form = PaymentsForm();
    form.txtpaymentNo->setText(textOf(header, "phPaymentNo"));
    form.dtpDate->setDate(CDate(header.Fields(QStringLiteral("phPaymentdate"))).date());
    form.txtPayee->setText(textOf(header, "phPayee"));
    form.txtRefNo->setText(textOf(header, "phReferenceno"));
    // The voucher's own rates, not today's: its lines were converted at them.
    form.showStoredChoices(header.Fields(QStringLiteral("phDepartmentID")),
                           header.Fields(QStringLiteral("phAccountID")),
                           textOf(header, "phExRate"));
    form.txtRemarks->setText(textOf(header, "phRemarks"));
    form.txtusername->setText(textOf(header, "phUserName"));
    // Rates are numbers: one that was never stored reads as no rate.
    form.txtDepExRates->setText(textOf(header, "phDepExRate"));
    form.txtComExRates->setText(textOf(header, "phComExRate"));
}

// The stored lines, numbered 1..n in detail order whatever their stored ids.
void FrmMaster::LoadVoucherLines() {
    const QString id = flexMaster->textMatrix(flexMaster->row(), RegisterColumn::kKey);
    AdoRecordset rs;
    rs.Open(QStringLiteral(" SELECT * from aHqPettyCashPaymentDetails where ") +
                QStringLiteral(" pdPaymentID='") + id + QStringLiteral("' and ") +
                QStringLiteral(" pdCompanyID=") + QString::number(GIntCompanyID) +
                QStringLiteral(" order by pdDetailID"),
            GAdoCon, adOpenKeyset, adLockOptimistic);
    ListView* lines = PaymentsForm().lvwAccounts;
    for (int i = 1; !rs.Eof(); ++i, rs.MoveNext()) {
        const int item = lines->add(QString::number(i));
        GObjVault.set("strTableName", QStringLiteral("aAccountMaster where AccountID=") +
                                          Text(rs.Fields(QStringLiteral("pdDebitAccountID"))));
        lines->setColumnValue(
            item, LineColumn::kAccountName,
            Text(GObjVault.call("fnReturnField", {QStringLiteral("AccountDesc")})));
        lines->setColumnValue(item, LineColumn::kDescription,
                              Text(rs.Fields(QStringLiteral("pdDescription"))));
        // As stored: 12.5 reads "12.5", 33.333 "33.333"; no decimal is added or lost.
        lines->setColumnValue(item, LineColumn::kAmount,
                              NumberText(CDec(rs.Fields(QStringLiteral("pdAmount")))));
        lines->setColumnValue(item, LineColumn::kAccountId,
                              Text(rs.Fields(QStringLiteral("pdDebitAccountID"))));
        lines->setColumnValue(item, LineColumn::kRate, Text(rs.Fields(QStringLiteral("pdExRate"))));
        lines->setColumnValue(item, LineColumn::kAgreement, QStringLiteral("0"));
    }
    rs.Close();
}

}  // namespace pcp
