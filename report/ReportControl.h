#pragma once
// The report engine as a window drives it: a control that is given its
// settings one by one and then told to run, in the shape of the report
// controls the module was designed around.
//
//   LogOnServer(driver, data source, database, user, password)
//   DiscardSavedData()            rows are read afresh, nothing of a past run is kept
//   setWindowState(2), setWindow... switches, setWindowTitle(...)
//   setReportFileName(...)
//   setParameterFields(0, "strUserName;Administrator;True")
//   setReplaceSelectionFormula(" {vwPCPaymentCheckList.phPaymentID}= 57")
//   setAction(1)                  runs: the preview window, or a PDF file
//
// Two settings of ours go with every run: the company whose rows alone the
// report may show (voucher ids repeat across companies), and the module's own
// embedded database, read when the data source is not configured.

#include <QObject>
#include <QPointer>
#include <memory>

#include "report/ReportDocument.h"
#include "report/ReportPreview.h"

class QWidget;

namespace pcp {

enum ReportDestination { crptToWindow = 0, crptToFile = 2 };

class ReportControl : public QObject {
    Q_OBJECT
  public:
    // The preview windows belong to the owner.
    explicit ReportControl(QWidget* owner);
    ~ReportControl() override;

    void LogOnServer(const QString& driver, const QString& dataSource, const QString& database,
                     const QString& user, const QString& password);
    void DiscardSavedData();

    void setWindowState(int state) { window_.state = state; }
    void setWindowControlBox(bool on) { window_.controlBox = on; }
    void setWindowMinButton(bool on) { window_.minButton = on; }
    void setWindowMaxButton(bool on) { window_.maxButton = on; }
    void setWindowShowCloseBtn(bool on) { window_.closeBtn = on; }
    void setWindowShowPrintBtn(bool on) { window_.printBtn = on; }
    void setWindowShowPrintSetupBtn(bool on) { window_.printSetupBtn = on; }
    void setWindowShowExportBtn(bool on) { window_.exportBtn = on; }
    void setWindowShowNavigationCtls(bool on) { window_.navigationCtls = on; }
    void setWindowShowZoomCtl(bool on) { window_.zoomCtl = on; }
    void setWindowShowPageCount(bool on) { window_.pageCount = on; }
    void setWindowShowRefreshBtn(bool on) { window_.refreshBtn = on; }
    void setWindowTitle(const QString& title) { window_.title = title; }
    // The file name Save as PDF offers, without its folder and ".pdf".
    void setExportFileName(const QString& name) { window_.exportName = name; }

    void setReportFileName(const QString& file) { request_.reportFile = file; }
    void setParameterFields(int index, const QString& field);
    void setReplaceSelectionFormula(const QString& formula) { request_.selectionFormula = formula; }
    void setDestination(int destination) { destination_ = destination; }
    void setPrintFileName(const QString& file) { printFile_ = file; }

    void setCompany(qint32 companyId) { request_.company = companyId; }
    void setEmbeddedDatabase(const QString& connectionString) {
        request_.embeddedConnection = connectionString;
    }

    // 1 runs the report; a failure raises one report error and shows nothing.
    void setAction(int action);

    const ReportRequest& request() const { return request_; }
    const ReportWindowSettings& windowSettings() const { return window_; }
    // What the last run read and the window it opened (none for a file).
    std::shared_ptr<const ReportDocument> lastDocument() const { return last_; }
    ReportPreview* lastPreview() const { return preview_; }

  private:
    void run();

    QPointer<QWidget> owner_;
    ReportRequest request_;
    ReportWindowSettings window_;
    int destination_ = crptToWindow;
    QString printFile_;
    std::shared_ptr<const ReportDocument> last_;
    QPointer<ReportPreview> preview_;
};

}  // namespace pcp
