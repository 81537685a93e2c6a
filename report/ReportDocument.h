#pragma once
// One run of a report: what was asked (the request), and what was read for
// it (the document: the definition, the rows, the parameter values). The
// document is complete before anything is shown, so every failure of a run
// is one error, raised before a window or a file appears.

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

#include "report/ReportDataSources.h"
#include "report/ReportDefinition.h"

namespace pcp {

struct ReportRequest {
    std::optional<ReportLogon> logon;
    QString embeddedConnection;  // the module's own database, for an unconfigured data source
    QString reportFile;
    QStringList parameterFields;  // "name;value;True", by index
    QString selectionFormula;
    std::optional<qint32> company;  // whose rows alone the report may show
    QString title;
};

// The rows a run read, in the order the definition gives.
struct ReportData {
    QStringList columns;
    std::vector<QVariantList> rows;
    int column(const QString& name) const;  // -1 when the view has no such column
};

struct ReportDocument {
    ReportDefinition definition;
    ReportData data;
    QHash<QString, QString> parameters;  // by lower-case name
    ReportRequest request;
    QDateTime printed;
};

// Reads the definition and the rows the request selects. Raises the report
// errors: a missing or unreadable definition, a parameter or formula the
// engine does not understand, a data source it cannot open, no record.
ReportDocument ReadReport(const ReportRequest& request);

// The statement a request runs on the definition's view (SQL Server dialect).
QString ReportStatement(const ReportDefinition& definition, const ReportRequest& request);

}  // namespace pcp
