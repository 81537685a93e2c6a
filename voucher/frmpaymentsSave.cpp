// OK: the voucher is checked in a fixed order, then numbered and written with
// its lines, its register row and its audit record in one transaction. A
// failure anywhere leaves the database as it was and the voucher on screen.

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include "data/AdoConnection.h"
#include "data/AdoRecordset.h"
#include "data/Values.h"
#include "suite/BasModule.h"
#include "suite/RegisterRows.h"
#include "ui/ListView.h"
#include "ui/MessageBox.h"
#include "ui/Pointer.h"
#include "voucher/VoucherLines.h"
#include "voucher/VoucherStore.h"
#include "voucher/frmpayments.h"

namespace pcp {

using namespace BasModule;

namespace {

// The voucher's row in the register's columns, read by its id, whatever the
// register's search or window of days leaves out.
QStringList registerRowOf(qint32 paymentId) {
    static const QRegularExpression filter(QStringLiteral("\\s(where|order\\s+by)\\s"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch found = filter.match(GStrSql);
    AdoRecordset rs;
    rs.Open((found.hasMatch() ? GStrSql.left(found.capturedStart()) : GStrSql) +
                QStringLiteral(" where phCompanyID=") + QString::number(GIntCompanyID) +
                QStringLiteral(" and phPaymentID=") + QString::number(paymentId),
            GAdoCon, adOpenStatic, adLockReadOnly);
    QStringList cells;
    for (int i = 0; !rs.Eof() && i < rs.FieldCount(); ++i) cells << Text(rs.Fields(i)).trimmed();
    rs.Close();
    return cells;
}

// The voucher's register row as stored now, once a save was refused because
// another workstation changed the voucher: the register shows what it did.
void showStoredInRegister(qint32 paymentId) {
    RegisterRows* rows = RegisterGrid();
    if (!rows || GStrSql.isEmpty()) return;
    const QStringList row = registerRowOf(paymentId);
    if (!row.isEmpty()) rows->putRow(row);
}

// The id the voucher is saved under: its own on an edit, the new one otherwise.
qint32 savedPaymentId(const frmpayments& form) {
    return GStrMasterNewEditFlag == u"E" ? GIntPaymentID : form.lngNewPaymentID;
}

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

QVector<VoucherLine> linesOf(const ListView* list) {
    QVector<VoucherLine> lines;
    for (int i = 1; i <= list->count(); ++i) {
        if (!list->checked(i)) continue;
        lines.append({CLng(list->columnValue(i, LineColumn::kAccountId)),
                      list->columnValue(i, LineColumn::kDescription),
                      list->columnValue(i, LineColumn::kAmount),
                      list->columnValue(i, LineColumn::kRate)});
    }
    return lines;
}

}  // namespace

void frmpayments::cmdOk_Click() {
    const QString nothingSaved =
        QStringLiteral("Nothing was saved; the voucher is still on screen as you entered it.");
    HandleTelling("frmpayments", "cmdOk_Click", nothingSaved, [&] {
        const bool edit = GStrMasterNewEditFlag == u"E";
        editRefused_ = false;
        if (!ValidateVoucher()) return;
        try {
            // While the database is busy the save waits a moment; gone before any message.
            HourglassScope hourglass;
            VoucherStore::SaveInTransaction([&] { saveSteps(edit); });
        } catch (const SaveRefusal& refusal) {
            if (edit) showStoredInRegister(GIntPaymentID);
            ModuleMsgBox(refusal.message, refusal.style);
            // Saying Yes to "Save Changes?" would only be refused again.
            if (editRefused_) ShowReadOnly();
            return;
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
    const int row = rows->rowOf(QString::number(savedPaymentId(*this)));
    if (row > 0) rows->selectRow(row);
}

// The stored voucher's state, reference, number and id, header, lines,
// register row and audit record: the steps of one attempt inside the save's
// transaction. A refused edit, or a date frozen meanwhile, throws its refusal
// before anything is written.
void frmpayments::saveSteps(bool edit) {
    if (edit)
        if (std::optional<SaveRefusal> refusal = VoucherStore::EditRefusal(GIntPaymentID)) {
            editRefused_ = true;
            throw *refusal;
        }
    // The freeze date as stored now: another workstation may have moved it
    // since the checks before the transaction.
    const QString frozen = VoucherStore::DateFrozen(
        QDateTime(dtpDate->date(), QTime(0, 0), Qt::UTC), QStringLiteral("saved"));
    if (!frozen.isEmpty()) throw SaveRefusal{frozen, vbInformation};
    if (!edit) MakeReferenceNo();
    SortListView(lvwAccounts, LineColumn::kNumber, lvwAscending, 1);  // by number
    SaveHeader();
    SaveDetails();
    const qint32 id = savedPaymentId(*this);
    RegisterRows* rows = RegisterGrid();
    const QStringList row = rows && !GStrSql.isEmpty() ? registerRowOf(id) : QStringList();
    if (!row.isEmpty()) GAdoCon->runAfterCommit([rows, row] { rows->putRow(row); });
    GObjTrail.call("SaveTrailInfo", {id, edit ? txtpaymentNo->text() : StrNewPaymentNo, true,
                                     GStrMasterNewEditFlag, ObjectArg(this)});
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

void frmpayments::forgetNewNumbers() {
    txtRefNo->clear();
    StrNewPaymentNo.clear();
    lngNewPaymentID = 0;
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
    h.amount = LinesTotal(lvwAccounts, txtAccExRates->text()).toString();
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
