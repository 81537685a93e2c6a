// OK: the voucher is checked in a fixed order, then numbered and written with
// its lines, its register row and its audit record in one transaction. A
// failure anywhere leaves the database as it was and the voucher on screen.

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>

#include "../core/AdoConnection.h"
#include "../core/BasModule.h"
#include "../core/RegisterRows.h"
#include "../core/Values.h"
#include "../core/ui/ListView.h"
#include "../core/ui/MessageBox.h"
#include "VoucherStore.h"
#include "frmpayments.h"

namespace pcp {

using namespace BasModule;

namespace {

// The id of the voucher the register is on: the one open for edit.
QString currentRegisterId() {
    RegisterRows* rows = RegisterGrid();
    if (rows && rows->currentRow() > 0) return rows->cell(rows->currentRow(), 0);
    return QString::number(GIntPaymentID);
}

QVector<VoucherLine> linesOf(const ListView* list) {
    QVector<VoucherLine> lines;
    for (int i = 1; i <= list->count(); ++i) {
        if (!list->checked(i)) continue;
        lines.append({CLng(list->subItem(i, 4)), list->subItem(i, 2), list->subItem(i, 3),
                      list->subItem(i, 5)});
    }
    return lines;
}

}  // namespace

void frmpayments::cmdOk_Click() {
    const QString nothingSaved =
        QStringLiteral("Nothing was saved; the voucher is still on screen as you entered it.");
    HandleTelling("frmpayments", "cmdOk_Click", nothingSaved, [&] {
        const bool edit = GStrMasterNewEditFlag == u"E";
        if (edit && VoucherStore::IsPosted(currentRegisterId())) {
            ModuleMsgBox(QStringLiteral("The transaction has posted to the Journal. Please "
                                        "cancel post to edit"),
                         vbCritical);
            return;
        }
        if (!ValidateVoucher()) return;
        try {
            VoucherStore::SaveInTransaction([&] { saveInTransaction(edit); });
        } catch (...) {
            // Numbers of a save that did not happen are nobody's.
            if (!edit) forgetNewNumbers();
            throw;
        }
        // Saved: a failure from here on is reported, but the window goes.
        Handle("frmpayments", "cmdOk_Click", [&] { showSavedInRegister(); });
        setTag(QString());
        Unload();
    });
}

void frmpayments::showSavedInRegister() {
    RegisterRows* rows = RegisterGrid();
    if (!rows) return;
    LateObject layout = CreateObject(QStringLiteral("Plover.clsLayout"));
    layout.call("fnLayoutPrefs", {GIntUserID, GIntCompanyID, ObjectArg(rows->control()),
                                  ObjectArg(GAdoCon.get()), true});
    rows->selectRow(rows->rowCount() - 1);
}

// Reference, number and id, header, lines, register row and audit record: the
// steps of one attempt inside the save's transaction.
void frmpayments::saveInTransaction(bool edit) {
    if (!edit) MakeReferenceNo();
    SortListView(lvwAccounts, 1, 0, 1);
    SaveHeader();
    SaveDetails();
    const qint32 id = edit ? GIntPaymentID : lngNewPaymentID;
    RefreshRegisterRow(QStringLiteral(" phPaymentID=") + QString::number(id),
                       edit ? 0 : lngNewPaymentID);
    GObjTrail.call("SaveTrailInfo", {id, edit ? txtpaymentNo->text() : StrNewPaymentNo, true,
                                     GStrMasterNewEditFlag, ObjectArg(this)});
}

void frmpayments::forgetNewNumbers() {
    txtRefNo->clear();
    StrNewPaymentNo.clear();
    lngNewPaymentID = 0;
}

// The first failing check tells the user and leads them to what to correct.
bool frmpayments::ValidateVoucher() {
    struct Check {
        bool failed;
        const char* message;
        QWidget* focus;
    };
    const Check checks[] = {
        {!departmentChosen(), "Select Department .", cboDepartment},
        {txtPayee->text().isEmpty(), "Enter Payee .", txtPayee},
        {!accountChosen(), "Select Account .", cboAccName},
        {txtRemarks->text().isEmpty(), "Enter Remarks .", txtRemarks},
        {lvwAccounts->count() == 0, "Atleast One Detail Needed .", lvwAccounts},
        // The amount is the lines' sum: the lines are what can be corrected.
        {txtTotal->text().isEmpty(), "Enter Payment Amount .", lvwAccounts},
    };
    for (const Check& c : checks) {
        if (!c.failed) continue;
        ModuleMsgBox(QString::fromLatin1(c.message), vbInformation);
        c.focus->setFocus();
        return false;
    }
    if (!fnTotal()) {
        ModuleMsgBox(QStringLiteral("The total amount must be equal to ") +
                         Format(dblLineTotal, QStringLiteral("0.00")),
                     vbInformation);
        // Choosing the account again brings the amount into line with the lines.
        cboAccName->setFocus();
        return false;
    }
    return true;
}

void frmpayments::MakeReferenceNo() {
    if (!accountChosen() || GStrMasterNewEditFlag != u"N") return;
    txtRefNo->setText(VoucherStore::MakeReference(cboAccName->currentData().toInt()));
}

void frmpayments::GetNextPaymentNo() {
    StrNewPaymentNo = VoucherStore::NextPaymentNo(cboDepartment->currentData().toInt());
}

void frmpayments::SaveHeader() {
    const bool edit = GStrMasterNewEditFlag == u"E";
    if (!edit) {
        GetNextPaymentNo();
        lngNewPaymentID = VoucherStore::NextPaymentId();
    }
    VoucherHeader h;
    h.edited = edit;
    h.paymentId = edit ? GIntPaymentID : lngNewPaymentID;
    h.paymentNo = edit ? txtpaymentNo->text() : StrNewPaymentNo;
    h.referenceNo = txtRefNo->text();
    h.departmentId = cboDepartment->currentData().toInt();
    h.paymentDate = QDateTime(dtpDate->date(), QTime(0, 0), Qt::UTC);
    h.accountId = cboAccName->currentData().toInt();
    h.payee = txtPayee->text();
    h.remarks = txtRemarks->text();
    h.amount = txtTotal->text();
    h.exRate = txtAccExRates->text();
    h.depExRate = txtDepExRates->text();
    h.comExRate = txtComExRates->text();
    h.userName = edit ? txtusername->text() : GStrUserName;
    VoucherStore::SaveHeader(h);
}

void frmpayments::SaveDetails() {
    const bool edit = GStrMasterNewEditFlag == u"E";
    VoucherStore::SaveDetails(edit ? GIntPaymentID : lngNewPaymentID, linesOf(lvwAccounts), edit);
}

}  // namespace pcp
