// First, Previous, Next and Last of the line dialog: each shows an existing
// line in the fields for a change; nothing typed and not accepted with OK is
// kept when the dialog moves.

#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

#include "suite/BasModule.h"
#include "ui/ListView.h"
#include "voucher/VoucherLines.h"
#include "voucher/frmDebitEntry.h"
#include "voucher/frmpayments.h"

namespace pcp {

using namespace BasModule;

void frmDebitEntry::setNavigation(bool first, bool previous, bool next, bool last) {
    cmdFirst->setEnabled(first);
    cmdPrevious->setEnabled(previous);
    cmdNext->setEnabled(next);
    cmdLast->setEnabled(last);
}

// A line whose account is not in the list shows no account: OK then asks for
// one instead of writing the account shown before onto this line.
void frmDebitEntry::ShowLine(int n) {
    ListView* lines = voucher().lvwAccounts;
    lines->setSelectedIndex(n);
    cboAccounts->setCurrentIndex(-1);
    cboAccounts->clearEditText();
    utility_.call("SelectComboItemByValue",
                  {ObjectArg(cboAccounts), lines->columnValue(n, LineColumn::kAccountId)});
    txtDescription->setText(lines->columnValue(n, LineColumn::kDescription));
    txtSettleAmt->setText(lines->columnValue(n, LineColumn::kAmount));
    GObjTrail.call("SaveInToTag", {ObjectArg(this)});
}

void frmDebitEntry::cmdFirst_Click() {
    Handle("frmDebitEntry", "cmdFirst_Click", [&] {
        const int n = voucher().lvwAccounts->count();
        if (n == 0) return;
        intRowCount = 1;
        setNavigation(false, false, n > 1, n > 1);
        voucher().StrNewEditFlag = QStringLiteral("E");
        ShowLine(intRowCount);
    });
}

// One line back (step -1) or on (+1). The buttons toward the end reached go
// off; those back toward the other end come on.
void frmDebitEntry::stepLine(int step) {
    ListView* lines = voucher().lvwAccounts;
    const int n = lines->count();
    if (n == 0) return;
    const int row = std::max(1, lines->selectedIndex() + step);
    intRowCount = qint16(row);
    const bool forward = step > 0;
    if (forward ? row >= n : row == 1) enableToward(forward, false);
    if (row <= n && n > 1) enableToward(!forward, true);
    if (row > n) return;  // past the last line: nothing to show
    voucher().StrNewEditFlag = QStringLiteral("E");
    ShowLine(row);
}

void frmDebitEntry::enableToward(bool forward, bool on) {
    (forward ? cmdNext : cmdPrevious)->setEnabled(on);
    (forward ? cmdLast : cmdFirst)->setEnabled(on);
}

void frmDebitEntry::cmdPrevious_Click() {
    Handle("frmDebitEntry", "cmdPrevious_Click", [&] { stepLine(-1); });
}

void frmDebitEntry::cmdNext_Click() {
    Handle("frmDebitEntry", "cmdNext_Click", [&] { stepLine(+1); });
}

// Last keeps the mode: in new-line mode, OK after Last adds a line.
void frmDebitEntry::cmdLast_Click() {
    Handle("frmDebitEntry", "cmdLast_Click", [&] {
        const int n = voucher().lvwAccounts->count();
        if (n == 0) return;
        intRowCount = qint16(n);
        setNavigation(n != 1, n != 1, false, false);
        ShowLine(intRowCount);
    });
}

}  // namespace pcp
