#pragma once
// The voucher entry window: one petty cash payment voucher's header and its
// debit lines, opened by the register for a new voucher or an edit.
//
// frmpayments.cpp holds the layout, the load, activation, the function keys
// and the close question; frmpaymentsHeader.cpp the department and account
// choices; frmpaymentsLines.cpp the lines list, its menu, keys, sorting and
// the payment amount. There is one window per process, loaded on first touch
// (PaymentsForm) and unloaded after every close.

#include <QString>
#include <QVariant>

#include "data/Decimal.h"
#include "store/VoucherStore.h"
#include "ui/VbForm.h"

class QAction;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace pcp {

class KeyRouter;
class ListView;
class WholeDateTyping;

class frmpayments : public VbForm {
    Q_OBJECT
  public:
    explicit frmpayments(QWidget* parent = nullptr);
    ~frmpayments() override;

    // Lines changed since the window opened (asked by the close question).
    bool blnItemChange = false;
    // The line dialog's mode: "N" adds lines, "E" changes them.
    QString StrNewEditFlag;
    // The total last computed by fnTotal: the lines' exact sum in the cash
    // account's currency, which is the payment amount.
    Decimal exactLinesTotal;

    QLineEdit* txtpaymentNo = nullptr;
    QDateEdit* dtpDate = nullptr;
    QLineEdit* txtPayee = nullptr;
    QComboBox* cboDepartment = nullptr;
    QComboBox* cboAccName = nullptr;
    QLineEdit* txtRefNo = nullptr;
    QLineEdit* txtRemarks = nullptr;
    QGroupBox* fraDetails = nullptr;
    ListView* lvwAccounts = nullptr;
    QLabel* lblTotalAmt = nullptr;
    QLabel* lblFloatLeft = nullptr;  // what is left of the cash account's float, if it keeps one
    QLineEdit* txtTotal = nullptr;
    QLineEdit* txtAccExRates = nullptr;
    QLineEdit* txtDepExRates = nullptr;
    QLineEdit* txtComExRates = nullptr;
    QLineEdit* txtCusExRates = nullptr;
    QLineEdit* txtusername = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdClose = nullptr;
    QMenu* mnupopup = nullptr;
    QAction* mnuAdd = nullptr;
    QAction* mnuEdit = nullptr;
    QAction* mnuDelete = nullptr;
    QAction* mnuCancel = nullptr;

    // F5 saves, F10 adds a line, F11 changes the selected one. The key is
    // swallowed (set to 0) when it did something.
    void CheckHotkey(int& KeyCode);
    // Recomputes the lines' exact total into exactLinesTotal; true when the
    // payment amount shows that total (AmountText, two decimals).
    bool fnTotal();
    // Rewrites the payment amount from the lines (after a line changed).
    void RecomputeTotal();
    // Shows a stored voucher's department and account as chosen with the
    // voucher's own account rate; the caller writes the department and company
    // rates. Only a voucher stored without its account rate takes today's.
    void showStoredChoices(const QVariant& departmentId, const QVariant& accountId,
                           const QString& accountRate);

    // The line menu's commands (F10, F11, the pop-up menu, the list's keys).
    void mnuAdd_Click();
    void mnuEdit_Click();
    void mnuDelete_Click();

    // The save: the checks, then the store's one save of the voucher as keyed.
    void cmdOk_Click();
    bool ValidateVoucher();
    VoucherDraft draftFromControls();
    void showRefusal(const Refusal& refusal);
    void showSavedInRegister(const SavedVoucher& saved);
    // Nothing changes the voucher any more: no field, no line command, no
    // save, and closing asks nothing. A cancelled voucher opens this way, and
    // an edit that another workstation has since cancelled, posted or removed
    // ends this way.
    void ShowReadOnly();
    void ShowFloatLeft();

  protected:
    void formActivate() override;
    bool queryUnload(int unloadMode) override;
    QString messageTitle() const override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void buildControls();
    QWidget* buildHeader();
    QWidget* buildLines();
    QWidget* buildFooter();
    void buildMenu();
    void connectHandlers();
    void setTabOrder();
    void Form_Load();

    void cboDepartment_Click();
    void cboAccName_Click();
    void cmdClose_Click();
    void lvwAccounts_ColumnClick(int column);
    void lvwAccounts_KeyDown(int& keyCode, int shift);
    void lvwAccounts_KeyPress(int& keyAscii);
    void lvwAccounts_MouseDown(const QPoint& globalPos);
    void txtTotal_KeyPress(int& keyAscii);
    // A date typed into the date field but not yet taken is taken now; false
    // when the text is no date (the clerk is told, and the field has the focus).
    bool takeTypedDate();
    bool departmentChosen();
    bool requireDepartment();
    bool accountChosen();
    void ClearColumnIcons(int except);

    bool blnFirstActivate = true;
    // The entries whose rates the window holds.
    int chosenDepartment_ = -1;
    int chosenAccount_ = -1;
    KeyRouter* keys_ = nullptr;
    WholeDateTyping* dateTyping_ = nullptr;
};

// The one voucher window, loaded on first touch.
frmpayments& PaymentsForm();
bool PaymentsFormLoaded();
// Discards the window (after it closed, or after an edit that failed part way).
void UnloadPaymentsForm();

}  // namespace pcp
