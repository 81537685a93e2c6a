#pragma once
// The report engine's errors: one number per kind of failure, so that the
// error record tells a missing file from a bad formula at a glance. Every
// failure of a run is raised as one of these before anything is shown.

#include "data/ModuleError.h"

namespace pcp {

enum ReportErrorNumber : qint32 {
    kErrReportFileMissing = 20501,
    kErrReportDefinition = 20502,
    kErrReportLogon = 20503,
    kErrReportFormula = 20504,
    kErrReportNoRecords = 20505,
    kErrReportParameter = 20506,
    kErrReportData = 20507,
    kErrReportOutput = 20508,
};

inline QString ReportErrorSource() {
    return QStringLiteral("PettyCashPayments.Report");
}

[[noreturn]] inline void raiseReport(qint32 number, const QString& description) {
    raise(number, ReportErrorSource(), description);
}

}  // namespace pcp
