#include "report/ReportControl.h"

#include <QWidget>

#include "report/ReportError.h"

namespace pcp {

ReportControl::ReportControl(QWidget* owner) : owner_(owner) {}

ReportControl::~ReportControl() = default;

void ReportControl::LogOnServer(const QString& driver, const QString& dataSource,
                                const QString& database, const QString& user,
                                const QString& password) {
    request_.logon = ReportLogon{driver, dataSource, database, user, password};
}

// Nothing read by an earlier run is reused: the rows come from the database
// each time the report runs.
void ReportControl::DiscardSavedData() {
    last_.reset();
}

void ReportControl::setParameterFields(int index, const QString& field) {
    if (index < 0 || index > 255)
        raiseReport(kErrReportParameter,
                    QStringLiteral("There is no parameter field %1.").arg(index));
    while (request_.parameterFields.size() <= index) request_.parameterFields << QString();
    request_.parameterFields[index] = field;
}

void ReportControl::setAction(int action) {
    if (action == 1) run();
}

// Everything is read and laid out before a window or file appears, so a
// failure leaves nothing that could pass for the report.
void ReportControl::run() {
    if (destination_ != crptToWindow && destination_ != crptToFile)
        raiseReport(kErrReportOutput,
                    QStringLiteral("The report engine prints to its window (0) or to a PDF file "
                                   "(2), not to destination %1.")
                        .arg(destination_));
    ReportRequest request = request_;
    request.title = window_.title;
    auto document = std::make_shared<const ReportDocument>(ReadReport(request));
    ReportPages pages = LayOutReport(*document);
    if (destination_ == crptToFile) {
        WriteReportPdf(*document, pages, printFile_);
        last_ = document;
        return;
    }
    auto* preview = new ReportPreview(owner_, document, std::move(pages), window_);
    last_ = document;
    preview_ = preview;
    preview->present();
}

}  // namespace pcp
