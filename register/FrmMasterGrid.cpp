// The register grid: filled from the register query (or a search), captions
// from the grid-caption catalogue, widths from the longest texts, cancelled
// vouchers in red, and the rights that follow the current row.

#include <QComboBox>
#include <QPushButton>
#include <cmath>
#include <memory>

#include "data/AdoRecordset.h"
#include "data/RowSet.h"
#include "data/SqlText.h"
#include "data/Values.h"
#include "register/FrmMaster.h"
#include "suite/BasModule.h"
#include "ui/FlexGrid.h"

namespace pcp {

using namespace BasModule;

namespace {

constexpr quint32 kRed = 0x0000FFu;
constexpr quint32 kCyan = 0xFFFF00u;
constexpr int kTwipsPerCharacter = 130;
constexpr int kPayeeMaxTwips = 4000;

// The text with each run of digits widened to one length, so that texts
// compare run by run and numbers by value: "OPS/3" sorts before "OPS/23".
QString RunningNumberOrder(const QString& text) {
    constexpr int kWidth = 20;
    QString key;
    key.reserve(text.size() + kWidth);
    for (int i = 0; i < text.size();) {
        if (!text[i].isDigit()) {
            key += text[i++];
            continue;
        }
        int end = i;
        while (end < text.size() && text[end].isDigit()) ++end;
        key += QString(std::max(0, kWidth - (end - i)), u'0') + text.mid(i, end - i);
        i = end;
    }
    return key;
}

}  // namespace

void FrmMaster::GridPopulate(const QString& strSql, const QString& strTableMain,
                             const QString& strTableRelation) {
    Q_UNUSED(strTableRelation);
    Handle("FrmMaster", "GridPopulate", [&] {
        GStrTableMain = strTableMain;
        GStrSql = strSql;
        // A statement given as text alone has no parts to refresh a row from.
        if (GRegisterQuery.sql() != strSql) GRegisterQuery = RegisterQuery::Verbatim(strSql);
        flexMaster->clear();
        flexMaster->setFixedRows(1);
        flexMaster->setFixedCols(0);
        flexMaster->setColWidth(0, 0);
        flexMaster->setCols(1);
        flexMaster->setRows(2);

        // Every voucher the query returns is listed, the newest included; the
        // grid makes the texts of the cells it shows.
        const auto rows = std::make_shared<const RowSet>(GAdoCon->ReadRows(strSql));
        const int fields = rows->columnCount();
        if (rows->rowCount() == 0)
            flexMaster->setCols(fields);
        else
            flexMaster->showRows(rows);
        std::vector<double> widths(fields + 1, 0.0);
        if (rows->rowCount() > 0)
            for (int i = 0; i < fields; ++i) widths[i] = flexMaster->maxTextLength(i, 1);
        if (flexMaster->cols() > RegisterColumn::kAmount)
            flexMaster->setColAlignment(RegisterColumn::kAmount, Qt::AlignRight);
        NameGrid(strTableMain, widths);
        flexMaster->setColWidth(0, 0);
    });
}

void FrmMaster::GridPopulate(const RegisterQuery& query, const QString& strTableMain) {
    GRegisterQuery = query;
    GridPopulate(query.sql(), strTableMain);
}

void FrmMaster::NameGrid(const QString& strTableMain, std::vector<double>& widths) {
    Handle("FrmMaster", "NameGrid", [&] {
        const int searchIndex = std::max(0, cboSearch->currentIndex());
        {
            const QSignalBlocker quietSearch(cboSearch), quietSort(cboColNames);
            cboSearch->clear();
            cboColNames->clear();
        }

        AdoRecordset rs;
        rs.Open(QStringLiteral("select tc.columnheader,tc.columnname from atables t,atablecolumns "
                               "tc where t.tableid = "
                               "tc.tableid and tablename ='") +
                    SqlEscape(strTableMain) + QStringLiteral("' order by tc.columnid "),
                GAdoCon, adOpenKeyset, adLockOptimistic);
        const int catalogueRows = rs.RecordCount();
        if (!rs.Eof()) {
            rs.MoveNext();  // the key column has no caption
            for (int i = 1; !rs.Eof(); ++i, rs.MoveNext()) {
                const QString caption = Text(rs.Fields(0));
                if (i < flexMaster->cols()) flexMaster->setTextMatrix(0, i, caption);
                const QSignalBlocker quietSearch(cboSearch), quietSort(cboColNames);
                cboColNames->addItem(caption, i);
                cboSearch->addItem(caption, i);
                if (i < int(widths.size()) && caption.size() > widths[i])
                    widths[i] = caption.size();
            }
        }
        {
            // A fresh list shows no sort column; the search column stays as it was.
            const QSignalBlocker quietSearch(cboSearch), quietSort(cboColNames);
            cboColNames->setCurrentIndex(-1);
            cboSearch->setCurrentIndex(searchIndex < cboSearch->count() ? searchIndex : -1);
        }

        for (int i = 0; i < catalogueRows && i < int(widths.size()) && i < flexMaster->cols();
             ++i) {
            const double wanted = widths[i] * kTwipsPerCharacter;
            if (wanted > flexMaster->colWidth(i)) flexMaster->setColWidth(i, int(wanted));
        }
        if (flexMaster->cols() > RegisterColumn::kPayee &&
            flexMaster->colWidth(RegisterColumn::kPayee) > kPayeeMaxTwips)
            flexMaster->setColWidth(RegisterColumn::kPayee, kPayeeMaxTwips);

        int total = 0;
        for (int c = 1; c < flexMaster->cols(); ++c) total += flexMaster->colWidth(c);
        const int gridWidth = flexMaster->widthTwips();
        if (gridWidth - 315 > total && flexMaster->cols() > 1) {
            const qint32 spare = CLng(double(gridWidth - total - 315));
            const qint32 share = CLng(double(spare) / double(flexMaster->cols() - 1));
            for (int c = 1; c < flexMaster->cols(); ++c)
                flexMaster->setColWidth(c, flexMaster->colWidth(c) + share);
        }
        rs.Close();

        LateObject layout = CreateObject(QStringLiteral("Plover.clsLayout"));
        layout.call("fnLayoutPrefs", {GIntUserID, GIntCompanyID, ObjectArg(flexMaster),
                                      ObjectArg(GAdoCon.get()), true});
        GridRowColor();

        const int last = flexMaster->rows() - 1;
        flexMaster->setRow(last);
        flexMaster->setTopRow(last);
        flexMaster->setCol(0);
        flexMaster->setColSel(flexMaster->cols() - 1);
    });
}

void FrmMaster::GridRowColor() {
    Handle("FrmMaster", "GridRowColor", [&] {
        enableWriting(cmdNew, HasRight(QStringLiteral("N")));
        cmdCount->setEnabled(HasRight(QStringLiteral("N")));
        enableWriting(CmdEdit, HasRight(QStringLiteral("E")));
        enableWriting(CmdDelete, HasRight(QStringLiteral("D")));
        if (flexMaster->textMatrix(flexMaster->row(), RegisterColumn::kCancelled) == u"Yes")
            CmdDelete->setEnabled(false);
        else if (HasRight(QStringLiteral("D")))
            enableWriting(CmdDelete, true);

        const int lastCol = std::min(6, flexMaster->cols() - 1);
        for (int r = 1; r < flexMaster->rows(); ++r) {
            if (!flexMaster->textIs(r, RegisterColumn::kCancelled, u"Yes")) continue;
            for (int c = 0; c <= lastCol; ++c) flexMaster->setCellForeColorAt(r, c, kRed);
        }
        flexMaster->setRow(flexMaster->rows() - 1);
        flexMaster->setCol(std::min(RegisterColumn::kCancelled, flexMaster->cols() - 1));
    });
}

void FrmMaster::GridColor() {
    Handle("FrmMaster", "GridColor", [&] {
        if (flexMaster->textMatrix(flexMaster->row(), 6) == u"Yes") {
            CmdDelete->setEnabled(false);
            return;
        }
        if (HasRight(QStringLiteral("D"))) enableWriting(CmdDelete, true);
        if (HasRight(QStringLiteral("E"))) enableWriting(CmdEdit, true);
    });
}

// Dates sort by the calendar and voucher numbers by their prefix, then by
// their running number as a number (OPS/3 before OPS/23), whichever sort or
// search orders the rows; the cells show what they always showed.
void FrmMaster::setSortKeys() {
    flexMaster->setColSortKey(RegisterColumn::kDate, [](const QString& text) {
        const QDateTime date = ParseDate(text);
        return date.isValid() ? date.toString(QStringLiteral("yyyyMMddHHmmss")) : text;
    });
    flexMaster->setColSortKey(RegisterColumn::kNumber, RunningNumberOrder);
}

// A selected cancelled row keeps its red text; several rows show in cyan.
void FrmMaster::flexMaster_SelChange() {
    Handle("FrmMaster", "flexMaster_SelChange", [&] {
        const bool severalRows = std::abs(flexMaster->rowSel() - flexMaster->row()) >= 1;
        const quint32 cellColor = flexMaster->cellForeColor();
        if (!severalRows && cellColor != kColorWindowText && cellColor != 0)
            flexMaster->setForeColorSel(cellColor);
        else
            flexMaster->setForeColorSel(severalRows ? kCyan : kColorHighlightText);
    });
}

}  // namespace pcp
