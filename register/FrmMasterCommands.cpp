// The register's commands that change a stored voucher's state or put it on
// paper: Delete (cancellation with a reason), Cancel Posting and Preview.
//
// Each change is one short transaction on the module connection: it begins
// only once the user has answered every question, an error anywhere rolls
// all of it back (TransactionScope, Handle), and the grid changes only after
// the commit (runAfterCommit), so the screen never shows what did not happen.

#include <QPushButton>

#include "data/ModulePath.h"
#include "data/Values.h"
#include "register/FrmMaster.h"
#include "register/VoucherState.h"
#include "register/frmcancel.h"
#include "report/ReportControl.h"
#include "suite/BasModule.h"
#include "ui/FlexGrid.h"
#include "ui/MessageBox.h"
#include "ui/Modal.h"
#include "ui/Pointer.h"

namespace pcp {

using namespace BasModule;

namespace {

// After a command the focus goes to New, or to the grid for a user who may
// not create vouchers (a disabled button cannot take it).
void focusAfterCommand(FrmMaster& w) {
    if (w.cmdNew->isEnabled())
        w.cmdNew->setFocus();
    else
        w.flexMaster->setFocus();
}

// Another workstation changed the voucher first: nothing is changed, and once
// the transaction commits the row shows the voucher as stored. False when the
// refresh failed (it reports its own failure, which rolls the transaction back).
bool showAsStored(FrmMaster& w, int row, const QString& id, TransactionScope& transaction) {
    GStrMasterNewEditFlag = QStringLiteral("E");  // the refresh updates the current row
    UpdateEditedRow(QStringLiteral(" phPaymentID=") + id, 0);
    if (!GAdoCon->InTransaction()) return false;
    GAdoCon->runAfterCommit([&w, row] { w.showStoredRow(row); });
    transaction.Commit();
    return true;
}

QString quoted(const QString& number) {
    return u'\'' + number + u'\'';
}

// Why the stored voucher may not be cancelled; empty when it may.
QString deleteRefusal(const VoucherState::StoredVoucher& stored, const QString& number) {
    const QString notDeleted = QStringLiteral(": it was not deleted.");
    if (!stored.found) return quoted(number) + QStringLiteral(" is no longer stored") + notDeleted;
    if (stored.cancelled)
        return quoted(number) + QStringLiteral(" was cancelled on another workstation meanwhile") +
               notDeleted;
    if (stored.posted)
        return quoted(number) + QStringLiteral(" was posted on another workstation meanwhile") +
               notDeleted;
    if (IsDateFrozen(stored.date))
        return quoted(number) + QStringLiteral(" is dated on or before the accounts freeze date") +
               notDeleted;
    return QString();
}

// The cancelled voucher's row once the cancellation is committed: red, and
// still the current row (GridRowColor moves to the last one), so the commands
// and Enter go on acting on the voucher the clerk just cancelled.
void showCancelled(FrmMaster& w, int row) {
    FlexGrid* grid = w.flexMaster;
    grid->setTextMatrix(row, RegisterColumn::kCancelled, QStringLiteral("Yes"));
    w.GridColor();
    w.GridRowColor();
    w.keepVoucherCurrent(grid->textMatrix(row, RegisterColumn::kKey));
}

// The reason dialog, modal over the register; the accepted reason, or empty.
QString askReason(FrmMaster& w) {
    w.strCancelReason.clear();
    frmcancel dialog(w.strCancelReason, &w);
    ShowModal(&dialog, &w);
    return w.strCancelReason;
}

// Cancels the voucher of `row` with the reason, as long as the stored voucher
// is open and not frozen: the update, the row refresh and the audit record
// commit together or not at all. What the user must be told; empty when done.
QString cancelVoucher(FrmMaster& w, int row, const QString& reason) {
    const QString id = w.flexMaster->textMatrix(row, RegisterColumn::kKey);
    const QString number = w.flexMaster->textMatrix(row, RegisterColumn::kNumber);
    TransactionScope transaction(GAdoCon);
    QString refusal = deleteRefusal(VoucherState::Read(id), number);
    if (refusal.isEmpty() && !VoucherState::CancelVoucher(id, reason))
        refusal =
            quoted(number) +
            QStringLiteral(" was changed on another workstation meanwhile: it was not deleted.");
    if (!refusal.isEmpty()) return showAsStored(w, row, id, transaction) ? refusal : QString();
    HourglassScope hourglass;
    UpdateEditedRow(QStringLiteral(" phPaymentID=") + id, 0);
    // UpdateEditedRow reports its own failure, which rolls the transaction back.
    if (!GAdoCon->InTransaction()) return QString();
    GAdoCon->runAfterCommit([&w, row] { showCancelled(w, row); });
    GObjTrail.call("SaveTrailInfo", {CLng(QVariant(id)), number, true, QStringLiteral("D")});
    transaction.Commit();
    return QString();
}

// The posting reversal's grid changes: the row reads "No" in the colour of its
// state, and the commands follow the row as on entering it.
void showUnposted(FrmMaster& w, int row) {
    w.flexMaster->setTextMatrix(row, RegisterColumn::kPosted, QStringLiteral("No"));
    w.showStoredRow(row);
    w.flexMaster->setCol(RegisterColumn::kPosted);
}

// What the user is told after Cancel Posting; nothing after an error report.
struct Told {
    QString text;
    int icon = vbExclamation;
    bool reversed = false;
};

// Reverses the posting of the voucher of `row` in one transaction, as long as
// the stored voucher is posted, not cancelled, and its journal entry is
// certain. What the user is told.
Told reversePosting(FrmMaster& w, int row) {
    const QString id = w.flexMaster->textMatrix(row, RegisterColumn::kKey);
    const QString number = w.flexMaster->textMatrix(row, RegisterColumn::kNumber);
    TransactionScope transaction(GAdoCon);
    switch (VoucherState::CancelPosting(id)) {
        case VoucherState::Reversal::JournalEntryUnclear:  // rolled back as the scope ends
            return {QStringLiteral("The journal entry of ") + quoted(number) +
                        QStringLiteral(" could not be identified: nothing was changed."),
                    vbExclamation};
        case VoucherState::Reversal::NotPostedOrCancelled: {
            const bool cancelled = VoucherState::Read(id).cancelled;
            if (!showAsStored(w, row, id, transaction)) return {};
            return {quoted(number) +
                        (cancelled ? QStringLiteral(" was cancelled on another workstation "
                                                    "meanwhile: its posting was not cancelled.")
                                   : QStringLiteral(" is no longer posted: nothing was changed.")),
                    vbExclamation};
        }
        case VoucherState::Reversal::Done: break;
    }
    GObjTrail.call("SaveTrailInfo", {id, number, true, QStringLiteral("C")});
    transaction.Commit();
    return {QStringLiteral("Posting Cancelled"), vbInformation, true};
}

}  // namespace

void FrmMaster::CmdDelete_Click() {
    Handle("FrmMaster", "CmdDelete_Click", [&] {
        if (!tellIfNotWritable()) return;
        GObjTrail.set("LoggedTime", Now());
        GStrMasterNewEditFlag = QStringLiteral("E");
        const qint16 row = CInt(double(flexMaster->row()));
        if (flexMaster->textMatrix(row, RegisterColumn::kPosted) == u"Yes") {
            ModuleMsgBox(QStringLiteral("Entry Posted,Cannot Delete ."), vbInformation);
            return;
        }
        const QString question = QStringLiteral("Are You Sure Want To Delete The Entry - '") +
                                 flexMaster->textMatrix(row, RegisterColumn::kNumber) +
                                 QStringLiteral("'?");
        if (ModuleMsgBox(question, vbYesNo | vbCritical | vbDefaultButton2) == vbYes) {
            const QString reason = askReason(*this);
            if (reason.trimmed().isEmpty()) {
                ModuleMsgBox(QStringLiteral("No reason was given: the entry is not deleted."),
                             vbInformation);
            } else {
                const QString refusal = cancelVoucher(*this, row, reason);
                if (!refusal.isEmpty()) ModuleMsgBox(refusal, vbExclamation);
            }
        }
        focusAfterCommand(*this);
        flexMaster_SelChange();
    });
}

void FrmMaster::cmdUpdate_Click() {
    Handle("FrmMaster", "cmdUpdate_Click", [&] {
        if (!tellIfNotWritable()) return;
        const int row = flexMaster->row();
        const QString number = flexMaster->textMatrix(row, RegisterColumn::kNumber);
        // No title of its own: the platform's default title.
        if (MsgBox(QStringLiteral("Do you want to cancel the posting of '") + number +
                       QStringLiteral("'?"),
                   vbYesNo | vbQuestion) == vbYes) {
            GObjTrail.set("LoggedTime", Now());
            const Told told = reversePosting(*this, row);
            if (!told.text.isEmpty()) ModuleMsgBox(told.text, told.icon);
            if (told.reversed) showUnposted(*this, row);
        }
        flexMaster_SelChange();
    });
}

void FrmMaster::cmdPreview_Click() {
    Handle("FrmMaster", "cmdPreview_Click", [&] {
        HourglassScope hourglass;
        GObjVault.set("strTableName",
                      QStringLiteral("lousers where userid=") + QString::number(GIntUserID));
        const QString userName =
            Text(GObjVault.call("fnReturnField", {QStringLiteral("username")}));
        if (flexMaster->rows() < 2) return;
        const int row = flexMaster->row();
        if (flexMaster->textMatrix(row, RegisterColumn::kNumber).isEmpty()) return;

        // The logon's five texts come from the data-source settings, never from the source.
        const ReportLogon logon = ReportDataSources::Load().logon();
        auto crptReport = std::make_unique<ReportControl>(this);
        crptReport->LogOnServer(logon.driver, logon.dataSource, logon.database, logon.user,
                                logon.password);
        crptReport->DiscardSavedData();
        crptReport->setWindowState(2);
        crptReport->setWindowControlBox(true);
        crptReport->setWindowMinButton(true);
        crptReport->setWindowMaxButton(true);
        crptReport->setWindowShowCloseBtn(true);
        crptReport->setWindowShowPrintBtn(true);
        crptReport->setWindowShowPrintSetupBtn(true);
        crptReport->setWindowShowExportBtn(true);
        crptReport->setWindowShowNavigationCtls(true);
        crptReport->setWindowShowZoomCtl(true);
        crptReport->setWindowShowPageCount(true);
        crptReport->setWindowShowRefreshBtn(false);
        crptReport->setWindowTitle(QStringLiteral("Petty Cash Payment"));
        crptReport->setExportFileName(QStringLiteral("Payment ") +
                                      flexMaster->textMatrix(row, RegisterColumn::kNumber));
        crptReport->setReportFileName(ModuleFolder() + QStringLiteral("/reports/rptPCPayment.rpt"));
        crptReport->setParameterFields(
            0, QStringLiteral("strUserName;") + userName + QStringLiteral(";True"));
        crptReport->setReplaceSelectionFormula(
            QStringLiteral(" {vwPCPaymentCheckList.phPaymentID}= ") +
            NumberText(Val(flexMaster->textMatrix(row, RegisterColumn::kKey))));
        // Voucher ids repeat across companies: the report shows this company's alone,
        // read from the module's own database unless a data source is configured.
        crptReport->setCompany(GIntCompanyID);
        crptReport->setEmbeddedDatabase(GAdoCon->connectionString());
        crptReport->setAction(1);
        crptReport.reset();
        returnToGridAfter(
            findChildren<QWidget*>(QStringLiteral("rptPreview"), Qt::FindDirectChildrenOnly));
    });
}

// The preview is a window of its own, not modal: once it closes the register
// takes the keys again, on the row it printed.
void FrmMaster::returnToGridAfter(const QList<QWidget*>& previews) {
    if (previews.isEmpty()) return;
    connect(previews.last(), &QObject::destroyed, this, [this] {
        if (!isVisible()) return;
        activateWindow();
        flexMaster->setFocus();
    });
}

}  // namespace pcp
