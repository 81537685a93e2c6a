// The module's statements, in the SQL Server dialect as the windows write
// them, run on the embedded database and give what SQL Server would give.
#include <gtest/gtest.h>

#include "data/AdoRecordset.h"
#include "data/SqlDriver.h"
#include "data/Values.h"
#include "tests/support/Fixtures.h"

using namespace pcp;
using namespace pcp::test;

namespace {

QString searchBase() {
    return QString(
               " select Top 1000 phPaymentID, phPaymentNo,phPaymentdate,PhPayee, phAmount,case "
               "phcancel when 1 then 'Yes' ") +
           " when 0 then 'No' end,case phposted when 1 then 'Yes' when 0 then 'No' end From " +
           "aHqPettyCashPaymentHeader" + "  " + " where phCompanyID=1" + " and phFinancialID = 2";
}

QList<QStringList> rowsOf(AdoConnection* con, const QString& sql) {
    AdoRecordset rs;
    rs.Open(sql, con, adOpenKeyset, adLockOptimistic);
    QList<QStringList> rows;
    while (!rs.Eof()) {
        QStringList row;
        for (int i = 0; i < rs.FieldCount(); ++i) row << Text(rs.Fields(i)).trimmed();
        rows << row;
        rs.MoveNext();
    }
    return rows;
}

}  // namespace

class Statements : public DemoDatabaseTest {};

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
    const auto rows =
        rowsOf(con(), searchBase() + " and phPayee like '%Bulk%' order by phPaymentID desc");
    ASSERT_EQ(rows.size(), 1000);
    EXPECT_EQ(rows.front()[0].toInt(), 2199);
    EXPECT_EQ(rows.back()[0].toInt(), 1200);
}

TEST_F(Statements, NumberingQueries) {
    // the prefix, the count and the highest running number, as the save reads them
    AdoRecordset prefix;
    prefix.Open(QString("SELECT Prefix FROM aPrefix") +
                    " WHERE InterfaceID = 7517 and DepartmentId=2 and FinancialId = 2",
                con(), adOpenStatic, adLockReadOnly);
    ASSERT_FALSE(prefix.Eof());
    EXPECT_EQ(Text(prefix.Fields("Prefix")), "OPS/");
    const int count =
        rowsOf(
            con(),
            "select count(phPaymentNo) from aHqPettyCashPaymentHeader where phDepartmentID =2 and "
            "phFinancialid=2 and left(phPaymentNo,4) ='OPS/'")[0][0]
            .toInt();
    EXPECT_EQ(count, scalar("select count(*) from aHqPettyCashPaymentHeader where phDepartmentID=2 "
                            "and phFinancialID=2")
                         .toInt());
    const auto highest =
        rowsOf(con(), QString("SELECT max(convert(int,right(phPaymentNo,len(phPaymentNo)-") + "4" +
                          "))) FROM aHqPettyCashPaymentHeader WHERE phDepartmentID =2" +
                          " and  phFinancialid=2 and left(phPaymentNo,4) ='OPS/'");
    EXPECT_EQ(highest[0][0].toInt(), count);  // numbers run 1..n per department

    // the highest is taken as a number: OPS/10 beats OPS/9
    con()->Execute(
        "update aHqPettyCashPaymentHeader set phPaymentNo='OPS/100' where phPaymentID=1");
    const auto afterEdit =
        rowsOf(con(),
               "SELECT max(convert(int,right(phPaymentNo,len(phPaymentNo)-4))) FROM "
               "aHqPettyCashPaymentHeader  where phFinancialid=2 and left(phPaymentNo,4) ='OPS/'");
    EXPECT_EQ(afterEdit[0][0].toInt(), 100);

    // a number whose running part is not a whole number fails, as on SQL Server
    con()->Execute("update aHqPettyCashPaymentHeader set phPaymentNo='OPS/1A' where phPaymentID=1");
    EXPECT_THROW(
        rowsOf(con(),
               "SELECT max(convert(int,right(phPaymentNo,len(phPaymentNo)-4))) FROM "
               "aHqPettyCashPaymentHeader  where phFinancialid=2 and left(phPaymentNo,4) ='OPS/'"),
        ModuleError);
}

TEST_F(Statements, LenIgnoresTrailingBlanks) {
    const auto r = rowsOf(con(), "select len('ab  '), len(''), len(null)");
    EXPECT_EQ(r[0][0], "2");
    EXPECT_EQ(r[0][1], "0");
    EXPECT_EQ(r[0][2], "");
}

TEST_F(Statements, LineAccountListOfADepartment) {
    const QString table = QString("aaccountmaster am,agroupmaster gm ,vwnoncontrolaccounts nca") +
                          " left outer join adepControlAccounts dc on " +
                          " nca.Accountid = dc.controlaccid and nca.companyid = dc.CompanyID and " +
                          "  nca.daDepartmentid = dc.maindepid";
    auto condition = [](int d) {
        const QString C = "1", D = QString::number(d);
        return " am.groupID=gm.groupID and am.groupid<>(select bankgroupID from " +
               QString("asettings where CompanyID=") + C + " ) and am.groupid<> " +
               " (select isnull(cashgroupID,0) from asettings where CompanyID=" + C +
               ") and am.groupid <>  (select fixedassetgroupid from asettings where CompanyID=" +
               C + ") and " +
               " am.accountid <> (select isnull(TradeDebtorAcID,0) from asettings where " +
               " companyid=" + C + ") and " +
               " am.accountid <> (select isnull(TradeCreditorAcID,0) from asettings where " +
               " companyid=" + C + ") and " + " am.CompanyID = gm.companyid and am.CompanyID=" + C +
               " and " + " am.companyid=nca.companyid and nca.accountid=am.accountid and " +
               " nca.dadepartmentid=" + D + " and dc.maindepid is null";
    };
    auto ids = [&](int d) {
        QList<int> out;
        for (const auto& r : rowsOf(con(), "select am.AccountID,Accountdesc from " + table +
                                               " where " + condition(d) + " order by am.AccountID"))
            out << r[0].toInt();
        return out;
    };
    // Administration: no fixed asset, debtor, creditor, nor its own control account 209.
    EXPECT_EQ(ids(1), (QList<int>{201, 202, 203, 205, 207}));
    // Operations: no cash-group (110) or bank-group (104) account.
    EXPECT_EQ(ids(2), (QList<int>{201, 202, 204, 206, 207, 208}));
    EXPECT_EQ(ids(3), (QList<int>{201, 202, 206, 210}));
}

TEST_F(Statements, PostingReversalTouchesOnlyTheVouchersJournalEntry) {
    const auto posted =
        rowsOf(con(),
               "select phPaymentID, phPaymentNo, phPaymentdate from aHqPettyCashPaymentHeader "
               "where phCompanyID=1 and phPosted=1 order by phPaymentID");
    ASSERT_FALSE(posted.isEmpty());
    const QString number = posted[0][1];
    const QString d = FormatDate(ParseDate(posted[0][2]), "yyyymmdd");
    const int others = scalar(
                           "select count(*) from KRVjournalheader where cancel=0 and not "
                           "(companyid=1 and Type='HQPCP' "
                           "and referenceno='" +
                           number + "')")
                           .toInt();
    const int affected = con()->Execute("Update KRVjournalheader set cancel=1 where referenceno='" +
                                        number + "' and Type='HQPCP' and JournalDate='" + d +
                                        "' And Cancel = 0 AND companyid=1");
    EXPECT_EQ(affected, 1);
    EXPECT_EQ(scalar("select cancel from KRVjournalheader where companyid=1 and Type='HQPCP' and "
                     "referenceno='" +
                     number + "'")
                  .toInt(),
              1);
    EXPECT_EQ(scalar("select count(*) from KRVjournalheader where cancel=0 and not (companyid=1 "
                     "and Type='HQPCP' "
                     "and referenceno='" +
                     number + "')")
                  .toInt(),
              others);
    EXPECT_EQ(con()->Execute("Update aHqPettyCashPaymentHeader set phposted=0 where phPaymentid=" +
                             posted[0][0] + " And phcompanyid =1"),
              1);
}
