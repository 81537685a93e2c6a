#pragma once
// The payments book: a period's payments of the company, filtered by cash
// account, department, debit account, status and payee, in four views (the
// lines, and their totals by account, department and payee) with the totals
// per currency at the foot, exported as CSV or XLSX. Reached from the
// register (Payments Book, Ctrl+B) by any user of the module; it lists only
// the departments the user may use.

#include <QString>
#include <functional>
#include <memory>

#include "store/PaymentBook.h"
#include "ui/VbForm.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace pcp {

class FlexGrid;
class KeyRouter;
struct ExportTable;

class frmPaymentBook : public VbForm {
    Q_OBJECT
  public:
    explicit frmPaymentBook(QWidget* parent = nullptr);
    ~frmPaymentBook() override;

    QDateEdit* dtpFrom = nullptr;
    QDateEdit* dtpTo = nullptr;
    QComboBox* cboPeriod = nullptr;
    QComboBox* cboCashAccount = nullptr;
    QComboBox* cboDepartment = nullptr;
    QComboBox* cboDebitAccount = nullptr;
    QComboBox* cboStatus = nullptr;
    QLineEdit* txtPayee = nullptr;
    QPushButton* cmdShow = nullptr;
    QTabWidget* tabViews = nullptr;
    FlexGrid* gridLines = nullptr;
    FlexGrid* gridByAccount = nullptr;
    FlexGrid* gridByDepartment = nullptr;
    FlexGrid* gridByPayee = nullptr;
    QLabel* lblEmpty = nullptr;
    QLabel* lblTotals = nullptr;
    QProgressBar* prgWork = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdExport = nullptr;
    QPushButton* cmdClose = nullptr;

    // The file an export goes to, asked of the user (a test answers instead):
    // given the suggested path and the file type's filter, the chosen path or
    // empty to give up.
    using FileChooser = std::function<QString(const QString& suggested, const QString& filter)>;
    static void SetFileChooser(FileChooser chooser);

    const PaymentBook& book() const { return book_; }
    BookView currentView() const;
    // The filter as the window's controls hold it.
    BookFilter filter() const;

    void cmdShow_Click();
    void cmdExport_Click();
    void ExportCsv();
    void ExportXlsx();
    // The view shown, in the report preview, from which it prints or becomes a PDF.
    void PrintPreview();

  protected:
    QString messageTitle() const override;
    QString helpTopic() const override { return QStringLiteral("book.html"); }
    void formActivate() override;

  private:
    void buildControls();
    void buildFilters();
    void Form_Load();
    void fillLists();
    void cboPeriod_Click();
    void showBook();
    void fillGrid(FlexGrid* grid, const std::shared_ptr<RowSet>& rows, BookView view);
    void sortByColumn(FlexGrid* grid, int column);
    void showTotals();
    bool keepWorking(int rowsDone);
    void beginWork(const QString& what);
    void endWork();
    ExportTable exportTable(BookView view, const RowSet& foot) const;
    QString suggestedFile(const QString& extension) const;
    QStringList headingLines() const;
    bool mayWrite(const QString& path);
    void exportTo(const QString& extension, const QString& fileFilter);

    PaymentBook book_;
    KeyRouter* keys_ = nullptr;
    bool working_ = false;
    bool cancelAsked_ = false;
    bool activated_ = false;
};

}  // namespace pcp
