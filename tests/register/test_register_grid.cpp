// What fills the register grid: the register query, captions and pickers
// from the catalogue, widths, and the fill's failure paths, up to the
// largest register the grid holds.

#include <QApplication>
#include <QComboBox>

#include "demo/DemoDatabase.h"
#include "tests/support/RegisterFixture.h"
#include "ui/FlexGrid.h"

using namespace pcp;
using namespace pcp::test;
using namespace pcp::BasModule;

namespace {

const QString kSelectAll =
    " select phPaymentID, phPaymentNo,phPaymentdate,PhPayee, phAmount,case phcancel when 1 then "
    "'Yes'  when 0 then "
    "'No' end,case phposted when 1 then 'Yes' when 0 then 'No' end From aHqPettyCashPaymentHeader  "
    " where phCompanyID=1";
const QString kSelectDepartment =
    " select phPaymentID, phPaymentNo,phPaymentdate,phPayee,phAmount,case phcancel when 1 then "
    "'Yes'  when 0 then "
    "'No' end,case phposted when 1 then 'Yes' when 0 then 'No' end From aHqPettyCashPaymentHeader  "
    " where phCompanyID=1";
const QString kOrder = "' order by phPaymentID,len(phPaymentNo), phPaymentNo";

int widthSum(FlexGrid* g) {
    int sum = 0;
    for (int c = 1; c < g->cols(); ++c) sum += g->colWidth(c);
    return sum;
}

}  // namespace

class RegisterGrid : public RegisterTest {};

TEST_F(RegisterGrid, RegisterQueryTextInBothDepartmentVariants) {
    open(1, 0);
    EXPECT_EQ(GStrSql, kSelectAll + " and phFinancialID = 2 and phPaymentdate>='20261021" + kOrder);
    reopen(1, 2);
    EXPECT_EQ(GStrSql,
              kSelectDepartment +
                  " and phDepartmentID= 2 and phFinancialID = 2 and phPaymentdate>='20261021" +
                  kOrder);
    exec("update asettings set noofpreviousdays=0 where companyid=1");
    exec(
        "update aHqPettyCashPaymentHeader set phPaymentdate='20261120' where phPaymentID=(select "
        "max(phPaymentID) from "
        "aHqPettyCashPaymentHeader)");
    reopen(1, 0);
    EXPECT_TRUE(GStrSql.endsWith("phPaymentdate>='20261120" + kOrder));
    EXPECT_EQ(ids(), idsOf("select phPaymentID from aHqPettyCashPaymentHeader where phCompanyID=1 "
                           "and phFinancialID=2 "
                           "and phPaymentdate >= '20261120' order by phPaymentID"));
}

TEST_F(RegisterGrid, CaptionsAndPickersComeFromTheCatalogue) {
    FrmMaster* w = open();
    const QStringList captions{"PaymentNo",      "PaymentDate", "Payee",
                               "Payment Amount", "Cancelled",   "Posted"};
    for (int c = 1; c <= 6; ++c) EXPECT_EQ(grid()->textMatrix(0, c), captions[c - 1]);
    for (QComboBox* box : {w->cboSearch, w->cboColNames}) {
        ASSERT_EQ(box->count(), 6);
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(box->itemText(i), captions[i]);
            EXPECT_EQ(box->itemData(i).toInt(), i + 1);
        }
    }
    EXPECT_EQ(w->cboSearch->currentIndex(), 0);
    EXPECT_EQ(w->cboColNames->currentIndex(), -1);
    // a refill keeps the search column the user chose
    w->cboSearch->setCurrentIndex(2);
    w->GridPopulate(GStrSql, GStrTableMain);
    EXPECT_EQ(w->cboSearch->currentIndex(), 2);
}

TEST_F(RegisterGrid, WidthsFollowTheTextsCapThePayeeAndFillTheGrid) {
    exec("update aHqPettyCashPaymentHeader set phPayee='" + QString(60, 'W') +
         "' where phPaymentID=(select max(phPaymentID) "
         "from aHqPettyCashPaymentHeader)");
    open();
    EXPECT_EQ(grid()->colWidth(0), 0);
    EXPECT_EQ(grid()->colWidth(3),
              4000 + (grid()->colWidth(1) - 9 * 130));  // capped, then widened like the rest
    // the narrow result is widened evenly so the columns fill the grid
    const int sum = widthSum(grid());
    EXPECT_LE(grid()->widthTwips() - 315 - sum, 6);
    EXPECT_GE(grid()->widthTwips() - 315 - sum, -6);
}

TEST_F(RegisterGrid, CellsAreTrimmedAndNullsEmpty) {
    exec(
        "update aHqPettyCashPaymentHeader set phPayee=null, phPaymentNo='  ADM/77  ' where "
        "phPaymentID=(select "
        "max(phPaymentID) from aHqPettyCashPaymentHeader)");
    open();
    const int last = grid()->rows() - 1;
    EXPECT_EQ(grid()->textMatrix(last, 1), "ADM/77");
    EXPECT_EQ(grid()->textMatrix(last, 3), "");
}

TEST_F(RegisterGrid, AQueryThatFailsLeavesOneEmptyRow) {
    MessageScript messages;
    messages.expectStartingWith("An error occurred in FrmMaster (GridPopulate).");
    FrmMaster* w = open();
    w->GridPopulate(QString(), GStrTableMain);
    EXPECT_EQ(grid()->rows(), 2);
    EXPECT_EQ(grid()->cols(), 1);
    EXPECT_TRUE(grid()->textMatrix(1, 0).isEmpty());
}

TEST_F(RegisterGrid, ARegisterOfFortyThousandListsEveryVoucher) {
    exec("delete from aHqPettyCashPaymentHeader");
    exec("delete from aHqPettyCashPaymentDetails");
    exec("update asettings set noofpreviousdays=1000 where companyid=1");
    QString error;
    QSqlDatabase db = plainDb();
    ASSERT_TRUE(demo::AddBulkVouchers(db, 1, 40000, kProcessDate, &error)) << error.toStdString();
    FrmMaster* w = open();
    EXPECT_EQ(grid()->rows(), 40001);
    EXPECT_EQ(grid()->textMatrix(40000, 0), "40000");  // the newest is there, and current
    EXPECT_EQ(grid()->row(), 40000);
    EXPECT_EQ(grid()->textMatrix(0, 1), "PaymentNo");
    EXPECT_EQ(grid()->cellForeColorAt(13, 5), 0x0000FFu);  // every 13th bulk voucher is cancelled
    EXPECT_EQ(grid()->cellForeColorAt(39988, 0), 0x0000FFu);
    EXPECT_TRUE(w->cmdNew->isEnabled());
    EXPECT_TRUE(w->CmdEdit->isEnabled());
}
