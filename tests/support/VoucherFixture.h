#pragma once
// Drives the voucher window and the line dialog as a clerk does: opened from
// the real register, fields typed into, lines keyed in the dialog.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "tests/support/RegisterFixture.h"
#include "ui/ListView.h"
#include "ui/Modal.h"
#include "voucher/frmDebitEntry.h"
#include "voucher/frmpayments.h"

namespace pcp::test {

class VoucherTest : public RegisterTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Opens a new voucher with New and acts inside the voucher window.
    void onNewVoucher(const std::function<void(frmpayments&)>& action);
    // Opens the register's current voucher with Edit and acts inside it.
    void onEditVoucher(const std::function<void(frmpayments&)>& action);
    // Adds a line through the menu's Add: the dialog is filled and accepted.
    void addLine(frmpayments& form, const QString& account, const QString& description,
                 const QString& amount);
    // Acts inside the line dialog the next Add or Edit opens.
    void inLineDialog(const std::function<void(frmDebitEntry&)> action);

    static void pick(QComboBox* box, const QString& text);
    static void typeInto(QWidget* field, const QString& text);
    static QStringList lineTexts(const ListView* lines, int column);
    int rowOf(const QString& paymentNo) const;

    ModalScript modal;
};

}  // namespace pcp::test
