#pragma once
// The cash count of a petty cash box: the account's float and custodian, its
// last count, the standing vouchers no count covers yet and the cash they
// leave expected in the box; the notes and coins counted line by line; the
// difference (a shortage or an overage, which must be explained) and the
// replenishment that brings the box back to its float. Saving covers the
// vouchers, which are closed from then on. The history lists the account's
// counts; any of them prints as its replenishment request.

#include <memory>

#include "store/CashCount.h"
#include "ui/VbForm.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace pcp {

class FlexGrid;
class KeyRouter;

class frmCashCount : public VbForm {
    Q_OBJECT
  public:
    explicit frmCashCount(QWidget* parent = nullptr);
    ~frmCashCount() override;

    QComboBox* cboCashAccount = nullptr;
    QLabel* lblFloat = nullptr;
    QLabel* lblLastCount = nullptr;
    FlexGrid* gridVouchers = nullptr;
    QLabel* lblVouchers = nullptr;
    QTableWidget* gridDenominations = nullptr;
    QLineEdit* txtExpected = nullptr;
    QLineEdit* txtCounted = nullptr;
    QLineEdit* txtDifference = nullptr;
    QLabel* lblDifference = nullptr;
    QLineEdit* txtReplenishment = nullptr;
    QLineEdit* txtExplanation = nullptr;
    FlexGrid* gridHistory = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdFloat = nullptr;
    QPushButton* cmdClose = nullptr;

    // The denominations' columns.
    enum { kValue, kKind, kQuantity, kAmount };

    const CashCount::CountState& state() const { return state_; }
    void cmdSave_Click();
    void cmdPrint_Click();
    void cmdFloat_Click();

  protected:
    QString messageTitle() const override;
    QString helpTopic() const override { return QStringLiteral("count.html"); }
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A count typed and not saved: "Save Changes?" as the voucher window asks.
    bool queryUnload(int unloadMode) override;

  private:
    void buildControls();
    void buildFigures();
    void Form_Load();
    void cboCashAccount_Click();
    void showState();
    void showDenominations();
    void showHistory();
    void gridDenominations_Changed(QTableWidgetItem* item);
    void showFigures();
    void nextLine();
    std::vector<CashCount::CountedPieces> pieces() const;
    qint32 accountId() const;
    QString money(const Decimal& amount) const;

    CashCount::CountState state_;
    KeyRouter* keys_ = nullptr;
    bool filling_ = false;
};

}  // namespace pcp
