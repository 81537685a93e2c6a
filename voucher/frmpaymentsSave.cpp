// OK: the voucher is checked in a fixed order, then handed to the store's one
// save as a draft, which numbers and writes it with its lines and its audit
// record in one transaction. A refusal or a failure leaves the database as it
// was and the voucher on screen.

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>

#include "data/AdoConnection.h"
#include "data/AdoRecordset.h"
#include "data/Values.h"
#include "store/VoucherStore.h"
#include "suite/BasModule.h"
#include "suite/RegisterRows.h"
#include "ui/ListView.h"
#include "ui/MessageBox.h"
#include "ui/Pointer.h"
#include "voucher/VoucherLines.h"
#include "voucher/frmpayments.h"

namespace pcp {

using namespace BasModule;

namespace {

// A date inside the financial year and after the accounts freeze date; any
// other is refused, with the focus on the date.
bool dateAllowed(QDateEdit* dtpDate) {
    const QDateTime date(dtpDate->date(), QTime(0, 0), Qt::UTC);
    QString refusal = VoucherStore::DateOutsideYear(date.date());
    if (refusal.isEmpty()) refusal = VoucherStore::DateFrozen(date, QStringLiteral("saved"));
    if (refusal.isEmpty()) return true;
    ModuleMsgBox(refusal, vbInformation);
    dtpDate->setFocus();
    return false;
}

// A rate the window holds as text: none when empty, exactly otherwise.
std::optional<Decimal> rateOf(const QLineEdit* field) {
    if (field->text().trimmed().isEmpty()) return std::nullopt;
    return CDec(field->text());
}

QVector<VoucherLineDraft> linesOf(const ListView* list) {
    QVector<VoucherLineDraft> lines;
    for (int i = 1; i <= list->count(); ++i) {
        if (!list->checked(i)) continue;
        lines.append({CLng(list->columnValue(i, LineColumn::kAccountId)),
                      list->columnValue(i, LineColumn::kDescription),
                      CDec(list->columnValue(i, LineColumn::kAmount)),
                      CDec(list->columnValue(i, LineColumn::kRate))});
    }
    return lines;
}

// The message box style of each refusal, as the voucher window has always shown them.
int styleOf(RefusalKind kind) {
    switch (kind) {
        case RefusalKind::Posted: return vbCritical;
        case RefusalKind::DateFrozen:
        case RefusalKind::FloatExceeded: return vbInformation;
        default: return vbExclamation;
    }
}

}  // namespace

void frmpayments::cmdOk_Click() {
    const QString nothingSaved =
        QStringLiteral("Nothing was saved; the voucher is still on screen as you entered it.");
    HandleTelling("frmpayments", "cmdOk_Click", nothingSaved, [&] {
        if (!ValidateVoucher()) return;
        const VoucherDraft draft = draftFromControls();
        const Outcome<SavedVoucher> outcome = [&] {
            // While the database is busy the save waits a moment; gone before any message.
            HourglassScope hourglass;
            return VoucherStore::SaveVoucher(draft, this);
        }();
        if (!outcome.done()) return showRefusal(outcome.refusal());
        // Saved: a failure from here on is reported, but the window goes.
        Handle("frmpayments", "cmdOk_Click", [&] { showSavedInRegister(outcome.value()); });
        setTag(QString());
        Unload();
    });
}

// The voucher as the clerk keyed it; its lines in their numbers' order.
VoucherDraft frmpayments::draftFromControls() {
    VoucherDraft d;
    if (GStrMasterNewEditFlag == u"E") {
        d.paymentId = GIntPaymentID;
        d.paymentNo = txtpaymentNo->text();
        d.referenceNo = txtRefNo->text();
        d.userName = txtusername->text();
    } else {
        d.userName = GStrUserName;
    }
    d.departmentId = cboDepartment->currentData().toInt();
    d.paymentDate = dtpDate->date();
    d.accountId = cboAccName->currentData().toInt();
    d.payee = txtPayee->text();
    d.remarks = txtRemarks->text();
    d.exRate = rateOf(txtAccExRates);
    d.depExRate = rateOf(txtDepExRates);
    d.comExRate = rateOf(txtComExRates);
    SortListView(lvwAccounts, LineColumn::kNumber, lvwAscending, 1);  // by number
    d.lines = linesOf(lvwAccounts);
    return d;
}

// The register shows the voucher as another workstation left it; an edit the
// stored voucher refuses can no longer be saved (saying Yes to "Save
// Changes?" would only be refused again), while a date frozen meanwhile can
// still be changed.
void frmpayments::showRefusal(const Refusal& refusal) {
    if (RegisterRows* rows = RegisterGrid(); rows && !refusal.storedRow.isEmpty())
        rows->putRow(refusal.storedRow);
    ModuleMsgBox(refusal.message, styleOf(refusal.kind));
    if (refusal.kind == RefusalKind::DateFrozen)
        dtpDate->setFocus();
    else if (refusal.kind == RefusalKind::FloatExceeded)
        ShowFloatLeft();  // as stored now; the entry stays to be changed
    else
        ShowReadOnly();
}

void frmpayments::showSavedInRegister(const SavedVoucher& saved) {
    RegisterRows* rows = RegisterGrid();
    if (!rows) return;
    if (!saved.registerRow.isEmpty()) rows->putRow(saved.registerRow);
    LateObject layout = CreateObject(QStringLiteral("Plover.clsLayout"));
    layout.call("fnLayoutPrefs", {GIntUserID, GIntCompanyID, ObjectArg(rows->control()),
                                  ObjectArg(GAdoCon.get()), true});
    const int row = rows->rowOf(QString::number(saved.paymentId));
    if (row > 0) rows->selectRow(row);
}

void frmpayments::ShowReadOnly() {
    for (QWidget* w : std::initializer_list<QWidget*>{
             cmdOk, txtpaymentNo, dtpDate, txtPayee, txtRefNo, txtAccExRates, cboDepartment,
             cboAccName, txtRemarks, lvwAccounts, txtTotal})
        w->setEnabled(false);
    // F10, F11 and the pop-up menu ask the menu whether they may.
    for (QAction* command : {mnuAdd, mnuEdit, mnuDelete}) command->setEnabled(false);
    blnItemChange = false;
    cmdClose->setFocus();
}

// The first failing check tells the user and leads them to what to correct.
bool frmpayments::ValidateVoucher() {
    if (!takeTypedDate()) return false;  // the date the clerk sees is the one saved
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
                         Format(exactLinesTotal, QStringLiteral("0.00")),
                     vbInformation);
        // Choosing the account again brings the amount into line with the lines.
        cboAccName->setFocus();
        return false;
    }
    return dateAllowed(dtpDate);
}

}  // namespace pcp
