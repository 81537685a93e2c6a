#pragma once
// The payment register: the window Show opens, listing the company's petty
// cash payment vouchers, with the search and sort strip and the commands.
//
// FrmMaster.cpp holds the layout, the load, rights and keys;
// FrmMasterGrid.cpp the grid fill, captions, widths and colours;
// FrmMasterSearch.cpp the in-grid and database searches and the sort.

#include <QString>
#include <memory>
#include <vector>

#include "suite/RegisterQuery.h"
#include "ui/VbForm.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace pcp {

class FlexGrid;
class KeyRouter;
class RegisterRows;
struct VoucherForEdit;

// The register grid's columns, as the register query selects them.
namespace RegisterColumn {
inline constexpr int kKey = 0;  // phPaymentID, hidden
inline constexpr int kNumber = 1;
inline constexpr int kDate = 2;
inline constexpr int kPayee = 3;
inline constexpr int kAmount = 4;
inline constexpr int kCancelled = 5;
inline constexpr int kPosted = 6;
}  // namespace RegisterColumn

class FrmMaster : public VbForm {
    Q_OBJECT
  public:
    explicit FrmMaster(QWidget* parent = nullptr);
    ~FrmMaster() override;

    // Written by the reason dialog, read by Delete.
    QString strCancelReason;

    FlexGrid* flexMaster = nullptr;
    QGroupBox* fraBrowse = nullptr;
    QCheckBox* chkSearchAll = nullptr;
    QLabel* lblsearch = nullptr;
    QComboBox* cboSearch = nullptr;
    QLineEdit* txtsearch = nullptr;
    QWidget* Picture1 = nullptr;
    QRadioButton* optAscend = nullptr;
    QRadioButton* optDescend = nullptr;
    QComboBox* cboColNames = nullptr;
    QPushButton* cmdNew = nullptr;
    QPushButton* CmdEdit = nullptr;
    QPushButton* CmdDelete = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdPreview = nullptr;
    QPushButton* cmdBook = nullptr;
    QPushButton* cmdCount = nullptr;
    QPushButton* cmdClose = nullptr;

    // Grid procedures the commands call after they change a voucher.
    void GridPopulate(const QString& strSql, const QString& strTableMain,
                      const QString& strTableRelation = QString());
    // The same, from the statement's parts, which the row refreshes then use.
    void GridPopulate(const RegisterQuery& query, const QString& strTableMain);
    void GridRowColor();
    void GridColor();
    void flexMaster_EnterCell();
    void flexMaster_SelChange();
    // Cancel Posting needs no right: it is enabled on a posted voucher that stands.
    void followCancelPosting();

    // The voucher of the current row; empty when none is listed.
    QString currentVoucher() const;
    // Makes the voucher's row current and selected again once the rows have
    // moved, the commands following it; false when it is no longer listed.
    bool keepVoucherCurrent(const QString& key);
    // Paints the row as its cells say it is stored (a cancelled voucher red)
    // and lets the commands follow the current row.
    void showStoredRow(int row);
    // Why nothing may be written through this register (a database that only
    // reads, or a file moved away); empty when it may.
    QString writeRefusal() const { return writeRefusal_; }

    // The register query of the module context: the vouchers of the window
    // of days, in the order given.
    static RegisterQuery WindowOfDays(qint32 previousDays, const QString& order);
    static QString RegisterOrder() {
        return QStringLiteral(" order by phPaymentID,len(phPaymentNo), phPaymentNo");
    }

  protected:
    void Form_Load();
    QString messageTitle() const override;

  private:
    void buildControls();
    void connectHandlers();
    void readRights();
    void afterFill();
    void followCurrentRow();
    void setSortKeys();
    // Enables a command that writes when `allowed` and the database takes writes.
    void enableWriting(QPushButton* command, bool allowed);
    void showWriteRefusal();
    // Tells the user why nothing can be written; true when something can.
    bool tellIfNotWritable();
    void LoadVoucherLines(const VoucherForEdit& stored);
    void fillVoucherForEdit(const VoucherForEdit& stored);
    qint32 previousDays();

    void NameGrid(const QString& strTableMain, std::vector<double>& widths);

    void Form_KeyPress(int& keyAscii);
    void flexMaster_KeyPress(int& keyAscii);
    void flexMaster_DblClick();
    void flexMaster_MouseMove();
    // "'OPS/24' is in the cash count …" for a row a count has closed, else empty;
    // asked once per row the mouse comes to, not at every move.
    QString closedNoteOf(int row);

    void txtsearch_KeyUp(int& keyCode, int shift);
    void txtsearch_KeyPress(int& keyAscii);
    void searchtheword();
    void SearchAll();
    RegisterQuery searchStatement(const QString& text);
    void cboColNames_Click();
    void optAscend_Click();
    void optDescend_Click();

    // The commands; their work is done by the voucher and command windows.
    void cmdNew_Click();
    void CmdEdit_Click();
    void CmdDelete_Click();
    void cmdUpdate_Click();
    void cmdPreview_Click();
    // The payments book of a period (any user of the module, as Preview).
    void cmdBook_Click();
    void cmdCount_Click();
    void cmdClose_Click();
    void returnToGridAfter(QWidget* preview);

    KeyRouter* keys_ = nullptr;
    // The search text changed since the last key release: only such keys,
    // and Enter, search (a key released after another window closed does not).
    bool searchTextEdited_ = false;
    QString writeRefusal_;
    QString closedNoteId_, closedNote_;
    // The grid as the shared procedures reach it while the register is open.
    std::unique_ptr<RegisterRows> rows_;
};

}  // namespace pcp
