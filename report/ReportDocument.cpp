#include "report/ReportDocument.h"

#include <QFileInfo>

#include "data/AdoConnection.h"
#include "data/AdoRecordset.h"
#include "data/SqlDriver.h"
#include "data/Values.h"
#include "report/ReportError.h"

namespace pcp {

int ReportData::column(const QString& name) const {
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

namespace {

// "strUserName;Administrator;True": the name before the first semicolon, the
// flag after the last, the value between (it may hold semicolons itself).
QHash<QString, QString> readParameters(const QStringList& fields, const ReportDefinition& def) {
    QHash<QString, QString> values;
    for (const QString& field : fields) {
        if (field.isEmpty()) continue;
        const qsizetype first = field.indexOf(u';'), last = field.lastIndexOf(u';');
        const QString flag = field.mid(last + 1).trimmed();
        if (first < 0 || first == last ||
            (flag.compare(u"True", Qt::CaseInsensitive) &&
             flag.compare(u"False", Qt::CaseInsensitive)))
            raiseReport(kErrReportParameter,
                        QStringLiteral("The parameter field \"%1\" is not written name;value;True.")
                            .arg(field));
        const QString name = field.left(first).trimmed();
        if (!def.parameters.contains(name, Qt::CaseInsensitive))
            raiseReport(
                kErrReportParameter,
                QStringLiteral("The report %1 has no parameter field {?%2}.").arg(def.file, name));
        values.insert(name.toLower(), field.mid(first + 1, last - first - 1));
    }
    for (const QString& p : def.parameters)
        if (!values.contains(p.toLower()))
            raiseReport(
                kErrReportParameter,
                QStringLiteral("The report needs a value for the parameter field {?%1}.").arg(p));
    return values;
}

// The engine's own connection: it sees only what other connections committed.
void logOn(AdoConnection& connection, const ReportRequest& request) {
    if (!request.logon)
        raiseReport(kErrReportLogon,
                    QStringLiteral("The report engine is not logged on to a data source."));
    const ReportLogon& logon = *request.logon;
    const QString cs = ReportDataSources::Load().connectionFor(logon, request.embeddedConnection);
    const ConnectionSettings settings = ParseConnectionString(cs);
    if (settings.provider == u"sqlite" && !QFileInfo(settings.dataSource).isFile())
        raiseReport(kErrReportLogon,
                    QStringLiteral("The data source \"%1\" cannot be opened: the database file %2 "
                                   "does not exist.")
                        .arg(logon.dataSource, settings.dataSource));
    try {
        connection.Open(cs);
    } catch (const ModuleError& e) {
        raiseReport(kErrReportLogon, QStringLiteral("The data source \"%1\" cannot be opened: %2")
                                         .arg(logon.dataSource, e.description()));
    }
}

QStringList columnsOf(AdoConnection& connection, const QString& view) {
    AdoRecordset rs;
    rs.Open(QStringLiteral("select * from ") + view + QStringLiteral(" where 1=2"), &connection,
            adOpenStatic, adLockReadOnly);
    QStringList columns;
    for (int i = 0; i < rs.FieldCount(); ++i) columns << rs.FieldName(i);
    rs.Close();
    return columns;
}

void requireColumns(const QStringList& columns, const ReportDefinition& def,
                    const ReportFormula& selection) {
    const auto missing = [&](const QString& c) {
        return !columns.contains(c, Qt::CaseInsensitive);
    };
    for (const QString& c : def.columnsUsed())
        if (missing(c))
            raiseReport(kErrReportDefinition,
                        QStringLiteral("The report definition %1 names the column %2, which %3 "
                                       "does not have.")
                            .arg(def.file, c, def.view));
    if (!def.companyField.isEmpty() && missing(def.companyField))
        raiseReport(kErrReportDefinition,
                    QStringLiteral("The report definition %1 names the company column %2, which "
                                   "%3 does not have.")
                        .arg(def.file, def.companyField, def.view));
    for (const ReportName& n : selection.names())
        if (n.kind == ReportName::Column && missing(n.name))
            raiseReport(kErrReportFormula,
                        QStringLiteral("The selection formula \"%1\" names %2, which %3 does not "
                                       "have.")
                            .arg(selection.text(), n.written(), def.view));
}

ReportData readRows(AdoConnection& connection, const QString& sql) {
    AdoRecordset rs;
    rs.Open(sql, &connection, adOpenStatic, adLockReadOnly);
    ReportData data;
    for (int i = 0; i < rs.FieldCount(); ++i) data.columns << rs.FieldName(i);
    for (; !rs.Eof(); rs.MoveNext()) {
        QVariantList row;
        for (int i = 0; i < rs.FieldCount(); ++i) row << rs.Fields(i);
        data.rows.push_back(row);
    }
    rs.Close();
    return data;
}

}  // namespace

// Ids are unique only within a company: a report whose view names a company
// column is always restricted to the one company the module runs for.
QString ReportStatement(const ReportDefinition& def, const ReportRequest& request) {
    const ReportFormula selection = ReportFormula::parse(request.selectionFormula);
    QString sql = QStringLiteral("select * from ") + def.view + QStringLiteral(" where ") +
                  selection.toSql(def.view);
    if (!def.companyField.isEmpty()) {
        if (!request.company)
            raiseReport(kErrReportDefinition,
                        QStringLiteral("The report %1 reads the rows of one company, and no "
                                       "company was given.")
                            .arg(def.file));
        sql +=
            QStringLiteral(" and ") + def.companyField + u'=' + QString::number(*request.company);
    } else if (request.company) {
        raiseReport(kErrReportDefinition,
                    QStringLiteral("The report definition %1 does not say which column of %2 names "
                                   "the company (data company-field).")
                        .arg(def.file, def.view));
    }
    if (!def.order.isEmpty()) sql += QStringLiteral(" order by ") + def.order.join(u',');
    return sql;
}

ReportDocument ReadReport(const ReportRequest& request) {
    ReportDocument doc;
    doc.request = request;
    doc.definition = ReportDefinition::Load(request.reportFile);
    doc.parameters = readParameters(request.parameterFields, doc.definition);
    const ReportFormula selection = ReportFormula::parse(request.selectionFormula);
    const QString sql = ReportStatement(doc.definition, request);

    AdoConnection connection;
    logOn(connection, request);
    try {
        requireColumns(columnsOf(connection, doc.definition.view), doc.definition, selection);
        doc.data = readRows(connection, sql);
    } catch (const ModuleError& e) {
        if (e.number() >= kErrReportFileMissing && e.number() <= kErrReportOutput) throw;
        raiseReport(kErrReportData, QStringLiteral("The report cannot read %1: %2")
                                        .arg(doc.definition.view, e.description()));
    }
    if (doc.data.rows.empty())
        raiseReport(
            kErrReportNoRecords,
            QStringLiteral("The selection formula \"%1\" selects no record%2.")
                .arg(request.selectionFormula,
                     request.company ? QStringLiteral(" of company %1").arg(*request.company)
                                     : QString()));
    doc.printed = Now();
    return doc;
}

}  // namespace pcp
