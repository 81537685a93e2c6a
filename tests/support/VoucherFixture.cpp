#include "tests/support/VoucherFixture.h"

#include <QApplication>

#include "ui/FlexGrid.h"

namespace pcp::test {

void VoucherTest::SetUp() {
    RegisterTest::SetUp();
    modal.install();
}

void VoucherTest::TearDown() {
    UnloadPaymentsForm();
    RegisterTest::TearDown();
}

void VoucherTest::onNewVoucher(const std::function<void(frmpayments&)>& action) {
    modal.expect("frmpayments", [action](QDialog* d) { action(*static_cast<frmpayments*>(d)); });
    QTest::mouseClick(window_->cmdNew, Qt::LeftButton);
    QApplication::processEvents();
}

void VoucherTest::onEditVoucher(const std::function<void(frmpayments&)>& action) {
    modal.expect("frmpayments", [action](QDialog* d) { action(*static_cast<frmpayments*>(d)); });
    QTest::mouseClick(window_->CmdEdit, Qt::LeftButton);
    QApplication::processEvents();
}

void VoucherTest::inLineDialog(const std::function<void(frmDebitEntry&)> action) {
    modal.expect("frmDebitEntry",
                 [action](QDialog* d) { action(*static_cast<frmDebitEntry*>(d)); });
}

void VoucherTest::addLine(frmpayments& form, const QString& account, const QString& description,
                          const QString& amount) {
    inLineDialog([&](frmDebitEntry& dialog) {
        pick(dialog.cboAccounts, account);
        typeInto(dialog.txtDescription, description);
        typeInto(dialog.txtSettleAmt, amount);
        QTest::mouseClick(dialog.cmdOk, Qt::LeftButton);
        QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
    });
    form.mnuAdd->trigger();
}

void VoucherTest::pick(QComboBox* box, const QString& text) {
    const int i = box->findText(text);
    ASSERT_GE(i, 0) << text.toStdString();
    box->setCurrentIndex(i);
}

void VoucherTest::typeInto(QWidget* field, const QString& text) {
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
    QTest::keyClicks(field, text);
}

QStringList VoucherTest::lineTexts(const ListView* lines, int column) {
    QStringList out;
    for (int i = 1; i <= lines->count(); ++i) out << lines->columnValue(i, column);
    return out;
}

int VoucherTest::rowOf(const QString& paymentNo) const {
    for (int r = 1; r < grid()->rows(); ++r)
        if (grid()->textMatrix(r, 1) == paymentNo) return r;
    return 0;
}

}  // namespace pcp::test
