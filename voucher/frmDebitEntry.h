#pragma once
// The line dialog: one debit line of the voucher open in the voucher window
// (account head, description, amount). It keeps no lines of its own: it
// writes the voucher window's list and payment amount. In new-line mode it
// stays open for the next line; in edit mode it walks forward through the
// lines. frmDebitEntryNavigation.cpp holds First, Previous, Next and Last.

#include <QStyle>
#include <optional>

#include "data/Decimal.h"
#include "suite/ComRegistry.h"
#include "ui/VbForm.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace pcp {

class KeyRouter;
class frmpayments;

class frmDebitEntry : public VbForm {
    Q_OBJECT
  public:
    explicit frmDebitEntry(QWidget* parent = nullptr);
    ~frmDebitEntry() override;

    // The number of the line being worked on; kept from one use to the next.
    static qint16 intRowCount;
    // 1 when the last duplicate check found a clash.
    static qint16 intDupExist;

    QFrame* fraBills = nullptr;
    QLabel* lblAmount = nullptr;
    QComboBox* cboAccounts = nullptr;
    QLabel* label100 = nullptr;
    QLineEdit* txtDescription = nullptr;
    QLabel* lblSettleAmt = nullptr;
    QLineEdit* txtSettleAmt = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;
    QToolButton* cmdFirst = nullptr;
    QToolButton* cmdPrevious = nullptr;
    QToolButton* cmdNext = nullptr;
    QToolButton* cmdLast = nullptr;

    // Tells the user and sets intDupExist when the account is on another line
    // with an amount other than the selected line's.
    void ListDuplicateCheck(qint32 AccountCode);
    // Shows line n of the voucher in the fields and makes it the selected line.
    void ShowLine(int n);

    void cmdOk_Click();
    void cmdFirst_Click();
    void cmdPrevious_Click();
    void cmdNext_Click();
    void cmdLast_Click();

  protected:
    QString messageTitle() const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();
    QToolButton* navigationButton(const char* name, const QString& tip,
                                  QStyle::StandardPixmap icon);
    void connectHandlers();
    void Form_Load();
    void fillAccounts();
    void writeLine(int index, const Decimal& amount, const QString& rate);
    void clearFields();
    void setNavigation(bool first, bool previous, bool next, bool last);
    void enableToward(bool forward, bool on);
    void stepLine(int step);
    void txtSettleAmt_KeyPress(int& keyAscii);
    void txtSettleAmt_GotFocus();
    void txtSettleAmt_MouseMove();
    std::optional<Decimal> lineAmount();
    void cboAccounts_KeyPress(int& keyAscii);
    bool accountIsValid();
    frmpayments& voucher() const;

    LateObject vault_;
    LateObject utility_;
    KeyRouter* keys_ = nullptr;
};

}  // namespace pcp
