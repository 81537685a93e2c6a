// The module's statements, in the SQL Server dialect as the windows write
// them, run through the code that builds them and give what SQL Server would
// give: the register's search, the numbering, the line dialog's accounts and
// the reversal of a posting.
#include <gtest/gtest.h>

#include "store/VoucherState.h"
#include "tests/support/VoucherFixture.h"
#include "store/VoucherStore.h"

using namespace pcp;
using namespace pcp::test;

class Statements : public VoucherTest {};

TEST_F(Statements, SearchReturnsTheNewestThousand) {
    con()->BeginTrans();
    for (int id = 1000; id < 2200; ++id)
        con()->Execute(QString("insert into aHqPettyCashPaymentHeader "
                               "(phPaymentID,phCompanyID,phFinancialID,phDepartmentID,"
                               "phPaymentNo,phPaymentdate,phAccountID,phPayee,phAmount) values "
                               "(%1,1,2,1,'ADM/%1','20261101',"
                               "101,'Bulk Payee',10)")
                           .arg(id));
    con()->CommitTrans();
    open();
    searchAll("Payee", "Bulk");
    QList<int> found;
    for (const QString& id : ids()) found << id.toInt();
    std::sort(found.begin(), found.end());
    ASSERT_EQ(found.size(), 1000);
    EXPECT_EQ(found.front(), 1200);
    EXPECT_EQ(found.back(), 2199);
}

TEST_F(Statements, NumberingFollowsTheHighestRunningNumberReadAsANumber) {
    setContext(1, 1, 2);
    const int count = scalar(
                          "select count(*) from aHqPettyCashPaymentHeader where "
                          "phDepartmentID=2 and phFinancialID=2")
                          .toInt();
    EXPECT_EQ(VoucherStore::NextPaymentNo(2), "OPS/" + QString::number(count + 1));
    const QString renumberFirst =
        "update aHqPettyCashPaymentHeader set phPaymentNo='%1' where phPaymentID=(select "
        "min(phPaymentID) from aHqPettyCashPaymentHeader where phDepartmentID=2 and "
        "phFinancialID=2)";
    exec(renumberFirst.arg("OPS/100"));  // OPS/100 beats OPS/9
    EXPECT_EQ(VoucherStore::NextPaymentNo(2), "OPS/101");
    // a number whose running part is not a whole number fails, as on SQL Server
    exec(renumberFirst.arg("OPS/1A"));
    EXPECT_THROW(VoucherStore::NextPaymentNo(2), ModuleError);
}

TEST_F(Statements, LineAccountListOfADepartment) {
    auto accountsOffered = [&](int department) {
        QList<int> ids;
        reopen(1, department);
        onNewVoucher([&](frmpayments& form) {
            pick(form.cboAccName, "Petty Cash - Head Office");
            inLineDialog([&](frmDebitEntry& d) {
                for (int i = 0; i < d.cboAccounts->count(); ++i)
                    ids << d.cboAccounts->itemData(i).toInt();
                QTest::mouseClick(d.cmdCancel, Qt::LeftButton);
            });
            form.mnuAdd->trigger();
            form.done(QDialog::Rejected);
        });
        std::sort(ids.begin(), ids.end());
        return ids;
    };
    // Administration: no fixed asset, debtor, creditor, nor its own control account 209.
    EXPECT_EQ(accountsOffered(1), (QList<int>{201, 202, 203, 205, 207}));
    // Operations: no cash-group (110) or bank-group (104) account.
    EXPECT_EQ(accountsOffered(2), (QList<int>{201, 202, 204, 206, 207, 208}));
    EXPECT_EQ(accountsOffered(3), (QList<int>{201, 202, 206, 210}));
}

TEST_F(Statements, PostingReversalTouchesOnlyTheVouchersJournalEntry) {
    const QString voucher =
        "select min(phPaymentID) from aHqPettyCashPaymentHeader where phCompanyID=1 and "
        "phPosted=1";
    const QString id = scalar(voucher).toString();
    ASSERT_FALSE(id.isEmpty());
    const QString number =
        scalar("select phPaymentNo from aHqPettyCashPaymentHeader where phPaymentID=" + id)
            .toString();
    const QString itsEntry =
        "companyid=1 and Type='HQPCP' and referenceno='" + number.trimmed() + "'";
    const QString otherLiveEntries =
        "select JournalID from KRVjournalheader where cancel=0 and not (" + itsEntry +
        ") order by JournalID";
    const QStringList others = idsOf(otherLiveEntries);
    con()->BeginTrans();
    EXPECT_EQ(VoucherState::CancelPosting(id), VoucherState::Reversal::Done);
    con()->CommitTrans();
    EXPECT_EQ(idsOf("select cancel from KRVjournalheader where " + itsEntry), QStringList{"1"});
    EXPECT_EQ(idsOf(otherLiveEntries), others);
    EXPECT_EQ(
        scalar("select phPosted from aHqPettyCashPaymentHeader where phPaymentID=" + id).toInt(),
        0);
}
