// The voucher's debit lines: adding and changing them through the line
// dialog, deleting with renumbering, the pop-up menu and keys, sorting by a
// column header, and the payment amount kept equal to the lines' sum in the
// cash/bank account's currency.

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>

#include "data/Values.h"
#include "suite/BasModule.h"
#include "ui/Keys.h"
#include "ui/ListView.h"
#include "ui/MessageBox.h"
#include "ui/Modal.h"
#include "voucher/VoucherLines.h"
#include "voucher/frmDebitEntry.h"
#include "voucher/frmpayments.h"

namespace pcp {

using namespace BasModule;

namespace {

// The columns sorted by value rather than by text: the line number, the
// amount and the rate.
bool sortsAsNumber(int column) {
    return column == LineColumn::kNumber || column == LineColumn::kAmount ||
           column == LineColumn::kRate;
}

}  // namespace

// Lines belong to a department's voucher: without one the clerk is asked for
// it and taken to its box.
bool frmpayments::requireDepartment() {
    if (departmentChosen()) return true;
    ModuleMsgBox(QStringLiteral("Select Department"), vbInformation);
    cboDepartment->setFocus();
    return false;
}

void frmpayments::mnuAdd_Click() {
    Handle("frmpayments", "mnuAdd_Click", [&] {
        if (!requireDepartment()) return;
        if (!accountChosen()) {
            ModuleMsgBox(QStringLiteral("Select Account ."), vbInformation);
            cboAccName->setFocus();
            return;
        }
        StrNewEditFlag = QStringLiteral("N");
        lvwAccounts->setSorted(false);
        frmDebitEntry dialog;
        ShowModal(&dialog, this);
    });
}

void frmpayments::mnuEdit_Click() {
    Handle("frmpayments", "mnuEdit_Click", [&] {
        if (!requireDepartment()) return;
        const int selected = lvwAccounts->selectedIndex();
        if (lvwAccounts->count() == 0 || selected == 0 ||
            Val(lvwAccounts->itemText(selected)) == 0.0)
            return;
        StrNewEditFlag = QStringLiteral("E");
        frmDebitEntry dialog;
        dialog.ShowLine(selected);
        lvwAccounts->setSorted(false);
        ShowModal(&dialog, this);
    });
}

void frmpayments::mnuDelete_Click() {
    Handle("frmpayments", "mnuDelete_Click", [&] {
        txtTotal->clear();
        if (lvwAccounts->count() == 0) return;
        const int selected = lvwAccounts->selectedIndex();
        const int answer =
            ModuleMsgBox(QStringLiteral("Do u want to delete this entry?"), vbYesNo + vbQuestion);
        if (answer == vbYes && selected > 0) {
            const qint32 removed = CLng(lvwAccounts->itemText(selected));
            lvwAccounts->remove(selected);
            for (int i = 1; i <= lvwAccounts->count(); ++i) {
                const qint32 number = CLng(lvwAccounts->itemText(i));
                if (number > removed) lvwAccounts->setItemText(i, QString::number(number - 1));
            }
            blnItemChange = true;
        }
        RecomputeTotal();
    });
}

// The payment amount: the lines converted into the account's currency, summed
// exactly and shown as an amount; empty while there are no lines.
void frmpayments::RecomputeTotal() {
    txtTotal->clear();
    if (lvwAccounts->count() == 0) return;
    txtTotal->setText(AmountText(LinesTotal(lvwAccounts, txtAccExRates->text())));
}

// The amount shown is the exact total at the two decimals it is shown with;
// both are exact values, rounded once, half away from zero.
bool frmpayments::fnTotal() {
    exactLinesTotal = LinesTotal(lvwAccounts, txtAccExRates->text());
    const std::optional<Decimal> shown = Decimal::parse(txtTotal->text());
    return shown && *shown == exactLinesTotal.round(2);
}

void frmpayments::ClearColumnIcons(int except) {
    for (int c = 1; c <= lvwAccounts->columnHeaderCount(); ++c)
        if (c != except) lvwAccounts->setColumnIcon(c, QString());
}

// A header click sorts by that column, the other way round on the next click.
void frmpayments::lvwAccounts_ColumnClick(int column) {
    Handle("frmpayments", "lvwAccounts_ColumnClick", [&] {
        ClearColumnIcons(column);
        const bool descending = lvwAccounts->columnIcon(column) == u"up";
        lvwAccounts->setColumnIcon(column,
                                   descending ? QStringLiteral("down") : QStringLiteral("up"));
        SortListView(lvwAccounts, qint16(column), descending ? 1 : 0,
                     sortsAsNumber(column) ? 1 : 0);
    });
}

// The keyboard's way to the right-button menu: Delete deletes the line, the
// menu key and Shift+F10 open the menu at the line; the function keys as
// everywhere in the window.
void frmpayments::lvwAccounts_KeyDown(int& keyCode, int shift) {
    const bool menuKey = keyCode == vbKeyMenu || (keyCode == vbKeyF10 && shift == vbShiftMask);
    if (keyCode == vbKeyDelete && mnuDelete->isEnabled()) {
        keyCode = 0;
        mnuDelete_Click();
    } else if (menuKey) {
        keyCode = 0;
        const QTreeWidgetItem* line = lvwAccounts->currentItem();
        const QRect at = line ? lvwAccounts->visualItemRect(line) : QRect();
        lvwAccounts_MouseDown(lvwAccounts->viewport()->mapToGlobal(at.bottomLeft()));
    } else {
        CheckHotkey(keyCode);
    }
}

// Enter changes the selected line; any key on an empty list adds the first.
void frmpayments::lvwAccounts_KeyPress(int& keyAscii) {
    Handle("frmpayments", "lvwAccounts_KeyPress", [&] {
        if (lvwAccounts->count() > 0) {
            if (keyAscii == vbKeyReturn && mnuEdit->isEnabled()) mnuEdit_Click();
        } else if (keyAscii != 0) {
            mnuAdd_Click();
        }
    });
}

void frmpayments::lvwAccounts_MouseDown(const QPoint& globalPos) {
    Handle("frmpayments", "lvwAccounts_MouseDown", [&] { mnupopup->popup(globalPos); });
}

void frmpayments::txtTotal_KeyPress(int& keyAscii) {
    Handle("frmpayments", "txtTotal_KeyPress", [&] {
        if (keyAscii == vbKeyReturn && !fnTotal())
            ModuleMsgBox(QStringLiteral("The total amount must be equal to ") +
                             Format(exactLinesTotal, QStringLiteral("0.00")),
                         vbInformation);
        EnterToTab(keyAscii);
        keyAscii =
            GObjUtility.call("TextValidateNum", {ObjectArg(txtTotal), keyAscii, 12, 2}).toInt();
    });
}

}  // namespace pcp
