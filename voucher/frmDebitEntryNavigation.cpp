// First, Previous, Next and Last of the line dialog: each shows an existing
// line in the fields for a change; nothing typed and not accepted with OK is
// kept when the dialog moves.

#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

#include "suite/BasModule.h"
#include "ui/ListView.h"
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
    utility_.call("SelectComboItemByValue", {ObjectArg(cboAccounts), lines->subItem(n, 4)});
    txtDescription->setText(lines->subItem(n, 2));
    txtSettleAmt->setText(lines->subItem(n, 3));
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

void frmDebitEntry::cmdPrevious_Click() {
    Handle("frmDebitEntry", "cmdPrevious_Click", [&] {
        ListView* lines = voucher().lvwAccounts;
        const int n = lines->count();
        if (n == 0) return;
        intRowCount = qint16(std::max(1, lines->selectedIndex() - 1));
        if (intRowCount == 1)
            setNavigation(false, false, cmdNext->isEnabled(), cmdLast->isEnabled());
        if (n > 1) setNavigation(cmdFirst->isEnabled(), cmdPrevious->isEnabled(), true, true);
        voucher().StrNewEditFlag = QStringLiteral("E");
        ShowLine(intRowCount);
    });
}

void frmDebitEntry::cmdNext_Click() {
    Handle("frmDebitEntry", "cmdNext_Click", [&] {
        ListView* lines = voucher().lvwAccounts;
        const int n = lines->count();
        if (n == 0) return;
        intRowCount = qint16(lines->selectedIndex() + 1);
        if (intRowCount >= n)
            setNavigation(cmdFirst->isEnabled(), cmdPrevious->isEnabled(), false, false);
        if (intRowCount <= n && n > 1)
            setNavigation(true, true, cmdNext->isEnabled(), cmdLast->isEnabled());
        if (intRowCount > n) return;  // past the last line: nothing to show
        voucher().StrNewEditFlag = QStringLiteral("E");
        ShowLine(intRowCount);
    });
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
