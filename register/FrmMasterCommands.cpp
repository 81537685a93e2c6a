// The register's commands that change a stored voucher's state or put it on
// paper: Delete (cancellation with a reason), Cancel Posting and Preview.
//
// Each change is one short transaction of the store (VoucherState): it begins
// only once the user has answered every question, an error anywhere rolls
// all of it back, and the grid changes only once the store has returned,
// committed, so the screen never shows what did not happen.

#include <QApplication>
#include <QPointer>
#include <QPushButton>

#include "book/frmPaymentBook.h"
#include "count/frmCashCount.h"
#include "data/ModulePath.h"
#include "data/Values.h"
#include "register/FrmMaster.h"
#include "register/frmcancel.h"
#include "report/ReportControl.h"
#include "store/CashCount.h"
#include "store/VoucherState.h"
#include "suite/BasModule.h"
#include "suite/RegisterRows.h"
#include "ui/FlexGrid.h"
#include "ui/MessageBox.h"
#include "ui/Modal.h"
#include "ui/Pointer.h"

namespace pcp {

using namespace BasModule;

namespace {

// The preview windows open over the register.
QList<QWidget*> previews(const FrmMaster& w) {
    return w.findChildren<QWidget*>(QStringLiteral("rptPreview"), Qt::FindDirectChildrenOnly);
}

// After a command the focus goes to New, or to the grid for a user who may
// not create vouchers (a disabled button cannot take it).
void focusAfterCommand(FrmMaster& w) {
    if (w.cmdNew->isEnabled())
        w.cmdNew->setFocus();
    else
        w.flexMaster->setFocus();
}

// The voucher's register row as the store read it, over the row with its
// key and painted as stored; the commands follow the current row.
void showRow(FrmMaster& w, const QStringList& cells) {
    if (RegisterRows* rows = RegisterGrid(); rows && !cells.isEmpty()) rows->putRow(cells);
    w.flexMaster_EnterCell();
}

// The cancelled voucher once the cancellation is committed: red, and still
// the current row (GridRowColor moves to the last one), so the commands and
// Enter go on acting on the voucher the clerk just cancelled.
void showCancelled(FrmMaster& w, const QString& id, const QStringList& cells) {
    showRow(w, cells);
    w.GridColor();
    w.GridRowColor();
    w.keepVoucherCurrent(id);
}

// The reason dialog, modal over the register; the accepted reason, or empty.
QString askReason(FrmMaster& w) {
    w.strCancelReason.clear();
    frmcancel dialog(w.strCancelReason, &w);
    ShowModal(&dialog, &w);
    return w.strCancelReason;
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
        // A counted voucher is refused before the question and the reason; the
        // cancellation checks again in its transaction.
        if (const auto covering = CashCount::CoveringCount(
                flexMaster->textMatrix(row, RegisterColumn::kKey).toInt())) {
            ModuleMsgBox(CashCount::ClosedMessage(
                             flexMaster->textMatrix(row, RegisterColumn::kNumber), *covering),
                         vbExclamation);
            focusAfterCommand(*this);
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
                const QString id = flexMaster->textMatrix(row, RegisterColumn::kKey);
                HourglassScope hourglass;
                const Outcome<QStringList> cancelled = VoucherState::CancelWithReason(
                    id, flexMaster->textMatrix(row, RegisterColumn::kNumber), reason);
                hourglass.release();
                if (cancelled.done()) {
                    showCancelled(*this, id, cancelled.value());
                } else {
                    showRow(*this, cancelled.refusal().storedRow);
                    ModuleMsgBox(cancelled.refusal().message, vbExclamation);
                }
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
            const Outcome<QStringList> reversed = VoucherState::ReversePosting(
                flexMaster->textMatrix(row, RegisterColumn::kKey), number);
            if (reversed.done()) {
                ModuleMsgBox(QStringLiteral("Posting Cancelled"), vbInformation);
                showRow(*this, reversed.value());
                flexMaster->setCol(RegisterColumn::kPosted);
            } else {
                showRow(*this, reversed.refusal().storedRow);
                ModuleMsgBox(reversed.refusal().message, vbExclamation);
            }
        }
        // Cancel Posting went grey under the focus: the keys go back to the row.
        flexMaster->setFocus();
        flexMaster_SelChange();
    });
}

void FrmMaster::cmdBook_Click() {
    Handle("FrmMaster", "cmdBook_Click", [&] {
        frmPaymentBook book(this);
        ShowModal(&book, this);
        flexMaster->setFocus();
    });
}

// The count of a cash box; it needs the New right, and the module's own
// tables, which a suite database may not have yet.
void FrmMaster::cmdCount_Click() {
    Handle("FrmMaster", "cmdCount_Click", [&] {
        if (!HasRight(QStringLiteral("N"))) {
            ModuleMsgBox(QStringLiteral("You may not count the cash: it needs the right to add "
                                        "vouchers."),
                         vbInformation);
            return;
        }
        if (const QStringList missing = CashCount::MissingTables(); !missing.isEmpty()) {
            ModuleMsgBox(CashCount::MissingTablesMessage(missing), vbExclamation);
            return;
        }
        frmCashCount count(this);
        ShowModal(&count, this);
        closedNoteId_.clear();  // a count saved there closes rows shown here
        flexMaster->setFocus();
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
        const QList<QWidget*> before = previews(*this);
        crptReport->setAction(1);
        crptReport.reset();
        for (QWidget* preview : previews(*this))
            if (!before.contains(preview)) returnToGridAfter(preview);
    });
}

// The preview is a window of its own, not modal: once it closes the register
// takes the keys again, on the row it printed (unless another window of the
// module has them, or the register itself is going).
void FrmMaster::returnToGridAfter(QWidget* preview) {
    connect(preview, &QObject::destroyed, this, [register_ = QPointer<FrmMaster>(this)] {
        if (!register_ || !register_->isVisible()) return;
        QWidget* active = QApplication::activeWindow();
        if (active && active != register_ && active->isVisible()) return;
        register_->activateWindow();
        register_->flexMaster->setFocus();
    });
}

}  // namespace pcp
