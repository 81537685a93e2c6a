#include "count/CountPrint.h"

#include <QDateTime>
#include <QFileInfo>
#include <QWidget>

#include "data/ModulePath.h"
#include "data/Values.h"
#include "report/ReportPreview.h"
#include "report/ReportRenderer.h"
#include "suite/BasModule.h"
#include "ui/MessageBox.h"
#include "ui/Pointer.h"

namespace pcp {

using namespace CashCount;

namespace {

const QString kMoney = QStringLiteral("#,##0.00#");

QString differenceKind(const Decimal& d) {
    if (d.isZero()) return QStringLiteral("Balanced");
    return d < Decimal() ? QStringLiteral("Shortage") : QStringLiteral("Overage");
}

// One row of the document: its kind, then the named columns given.
void addRow(ReportData& data, const QString& kind, const QVariantMap& cells) {
    QVariantList row;
    for (const QString& c : data.columns)
        row << (c == u"RowKind" ? QVariant(kind) : cells.value(c, NullValue()));
    data.rows.push_back(std::move(row));
}

}  // namespace

QString ReplenishmentReportFile() {
    return ModuleFolder() + QStringLiteral("/reports/rptPCReplenishment.rpt");
}

ReportDocument ReplenishmentDocument(const CountRecord& c, const QString& definitionFile) {
    ReportDocument doc;
    doc.definition = ReportDefinition::Load(definitionFile);
    doc.printed = QDateTime::currentDateTime();
    doc.request.title = QStringLiteral("Replenishment ") + c.summary.countNo;
    const QString cur = c.account.currency;
    const auto money = [&](const Decimal& v) { return cur + u' ' + Format(v, kMoney); };
    QHash<QString, QString>& p = doc.parameters;
    p[QStringLiteral("strcompany")] = c.companyName;
    p[QStringLiteral("strcountno")] = c.summary.countNo;
    p[QStringLiteral("strdate")] = c.summary.date.toString(QStringLiteral("dd MMMM yyyy"));
    p[QStringLiteral("straccount")] =
        QStringLiteral("%1 %2 (%3)").arg(c.account.code, c.account.name, cur);
    p[QStringLiteral("strcountedby")] = c.summary.user;
    p[QStringLiteral("strimprest")] = money(c.imprest);
    p[QStringLiteral("strvoucherstotal")] = money(c.vouchersTotal);
    p[QStringLiteral("strexpected")] = money(c.expected);
    p[QStringLiteral("strcounted")] = money(c.summary.counted);
    p[QStringLiteral("strdifference")] = money(c.summary.difference);
    p[QStringLiteral("strdifferencekind")] = differenceKind(c.summary.difference);
    p[QStringLiteral("strexplanation")] = c.explanation;
    p[QStringLiteral("strreplenishment")] = money(c.summary.replenishment);
    p[QStringLiteral("strreplenishmentvalue")] = c.summary.replenishment.toString();
    p[QStringLiteral("strcurrency")] = cur;
    p[QStringLiteral("strusername")] = BasModule::GStrUserName;

    ReportData& data = doc.data;
    data.columns = {
        QStringLiteral("RowKind"),     QStringLiteral("Value"),  QStringLiteral("Kind"),
        QStringLiteral("Pieces"),      QStringLiteral("Amount"), QStringLiteral("VoucherNo"),
        QStringLiteral("VoucherDate"), QStringLiteral("Payee"),  QStringLiteral("AccountCode"),
        QStringLiteral("AccountName"), QStringLiteral("Lines")};
    const auto decimal = [](const Decimal& v) { return QVariant::fromValue(v); };
    const auto heading = [&](const QString& text) {
        addRow(data, QStringLiteral("heading"), {{QStringLiteral("Payee"), text}});
    };
    heading(QStringLiteral("Cash counted"));
    for (const CountedPieces& piece : c.pieces)
        addRow(data, QStringLiteral("piece"),
               {{QStringLiteral("Value"), decimal(piece.value)},
                {QStringLiteral("Pieces"), piece.quantity},
                {QStringLiteral("Amount"), decimal(piece.amount())}});
    heading(QStringLiteral("Vouchers covered (%1)").arg(c.vouchers.size()));
    for (const UncoveredVoucher& v : c.vouchers)
        addRow(data, QStringLiteral("voucher"),
               {{QStringLiteral("VoucherNo"), v.paymentNo},
                {QStringLiteral("VoucherDate"), QDateTime(v.date, QTime(0, 0), Qt::UTC)},
                {QStringLiteral("Payee"), v.payee},
                {QStringLiteral("Amount"), decimal(v.amount)}});
    heading(QStringLiteral("Totals by debit account"));
    for (const CountRecord::AccountTotal& t : c.byAccount)
        addRow(data, QStringLiteral("account"),
               {{QStringLiteral("AccountCode"), t.code},
                {QStringLiteral("AccountName"), t.name},
                {QStringLiteral("Lines"), t.lines},
                {QStringLiteral("Amount"), decimal(t.amount)}});
    return doc;
}

void PrintReplenishment(QWidget* owner, qint32 countId) {
    const std::optional<CountRecord> count = ReadCount(countId);
    if (!count) {
        BasModule::ModuleMsgBox(QStringLiteral("The count is no longer in the database."),
                                vbInformation);
        return;
    }
    HourglassScope hourglass;
    auto document =
        std::make_shared<ReportDocument>(ReplenishmentDocument(*count, ReplenishmentReportFile()));
    ReportPages pages = LayOutReport(*document);
    ReportWindowSettings settings;
    settings.state = 2;
    settings.title = QStringLiteral("Replenishment Request");
    settings.refreshBtn = false;
    settings.exportName = QStringLiteral("Replenishment ") + count->summary.countNo;
    auto* preview = new ReportPreview(owner, std::move(document), std::move(pages), settings);
    preview->setObjectName(QStringLiteral("rptReplenishment"));
    hourglass.release();
    preview->present();
}

}  // namespace pcp
