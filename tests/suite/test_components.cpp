// The local suite components, created by ProgID and called by name.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "data/Values.h"
#include "suite/ComRegistry.h"
#include "suite/clsIncident.h"
#include "suite/clsUtility.h"
#include "tests/support/Fixtures.h"
#include "ui/FlexGrid.h"

using namespace pcp;
using namespace pcp::test;

class Components : public DemoDatabaseTest {};

TEST_F(Components, VaultReturnsFieldsEmptyForNoRowAndNullAsNull) {
    LateObject vault = CreateObject("Kestrel.clsVault");
    vault.set("adocon", ObjectArg(con()));
    vault.set("strTableName", "ausers where userid=2");
    EXPECT_EQ(vault.call("fnReturnField", {"username"}).toString(), "clerk");
    vault.set("strTableName", "aAccountMaster");
    EXPECT_EQ(vault.call("fnReturnField", {"AccountCode", "AccountID=103"}).toString(), "PC03");
    EXPECT_FALSE(vault.call("fnReturnField", {"AccountCode", "AccountID=9999"}).isValid());
    vault.set("strTableName", "asettings");
    EXPECT_TRUE(IsNull(vault.call("fnReturnField", {"cashgroupID", "companyid=2"})));
    vault.set("strTableName", "aHqPettyCashPaymentHeader where PHCompanyID=1");
    const int max =
        scalar("select max(phPaymentID) from aHqPettyCashPaymentHeader where phCompanyID=1")
            .toInt();
    EXPECT_EQ(vault.call("fnGetNextMaxNo", {"PHPaymentID"}).toInt(), max + 1);
    vault.set("strTableName", "aHqPettyCashPaymentHeader where PHCompanyID=9");
    EXPECT_EQ(vault.call("fnGetNextMaxNo", {"PHPaymentID"}).toInt(), 1);
}

TEST_F(Components, VaultFillsAComboWithItemData) {
    LateObject vault = CreateObject("Kestrel.clsVault");
    vault.set("adocon", ObjectArg(con()));
    QComboBox combo;
    vault.set("strTableName", "adepartmentmaster");
    vault.call("populateComboorList",
               {ObjectArg(&combo), "DepartmentID", "DepartmentName",
                "CompanyID = 1 and DepartmentID  IN (1,2) order by DepartmentName"});
    ASSERT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.itemText(0), "Administration");
    EXPECT_EQ(combo.itemData(1).toInt(), 2);
    EXPECT_EQ(combo.currentIndex(), -1);

    LateObject utility = CreateObject("Kestrel.clsUtility");
    utility.call("SelectComboItemByValue", {ObjectArg(&combo), "2"});
    EXPECT_EQ(combo.currentText(), "Operations");
    utility.call("SelectComboItemByValue", {ObjectArg(&combo), 77});
    EXPECT_EQ(combo.currentText(), "Operations");
}

TEST(Utility, AmountKeyRuleTwelveDigitsTwoDecimals) {
    EXPECT_TRUE(clsUtility::AcceptsKey("", 0, 0, '1', 12, 2));
    EXPECT_TRUE(clsUtility::AcceptsKey("12", 2, 0, '.', 12, 2));
    EXPECT_FALSE(clsUtility::AcceptsKey("12.5", 4, 0, '.', 12, 2));
    EXPECT_TRUE(clsUtility::AcceptsKey("12.5", 4, 0, '0', 12, 2));
    EXPECT_FALSE(clsUtility::AcceptsKey("12.50", 5, 0, '1', 12, 2));
    EXPECT_FALSE(clsUtility::AcceptsKey("123456789012", 12, 0, '3', 12, 2));
    EXPECT_TRUE(clsUtility::AcceptsKey("123456789012", 12, 0, '.', 12, 2));
    EXPECT_TRUE(
        clsUtility::AcceptsKey("123456789012", 0, 12, '7', 12, 2));  // replaces the selection
    EXPECT_FALSE(clsUtility::AcceptsKey("12", 2, 0, 'a', 12, 2));
    EXPECT_FALSE(clsUtility::AcceptsKey("12", 0, 0, '-', 12, 2));

    QLineEdit box;
    clsUtility u;
    box.setText("99.9");
    box.setCursorPosition(4);
    EXPECT_EQ(u.TextValidateNum(&box, '9', 12, 2), '9');
    box.setText("99.99");
    box.setCursorPosition(5);
    EXPECT_EQ(u.TextValidateNum(&box, '9', 12, 2), 0);
    EXPECT_EQ(u.TextValidateNum(&box, 8, 12, 2), 8);  // backspace
}

TEST_F(Components, TrailNoticesChangesAndRecordsActions) {
    QWidget form;
    auto* payee = new QLineEdit(&form);
    payee->setObjectName("txtPayee");
    auto* dept = new QComboBox(&form);
    dept->setObjectName("cboDepartment");
    dept->addItems({"A", "B"});
    auto* lines = new QTreeWidget(&form);
    lines->setObjectName("lvwAccounts");
    for (const char* amount : {"12.5", "30"}) new QTreeWidgetItem(lines, QStringList{amount});
    LateObject trail = BasModule::GObjTrail;
    trail.call("SaveInToTag", {ObjectArg(&form)});
    EXPECT_FALSE(trail.call("DataChanged", {ObjectArg(&form)}).toBool());
    payee->setText("Office Mart");
    EXPECT_TRUE(trail.call("DataChanged", {ObjectArg(&form)}).toBool());
    payee->clear();
    lines->sortItems(0, Qt::DescendingOrder);  // the same lines in another order
    EXPECT_FALSE(trail.call("DataChanged", {ObjectArg(&form)}).toBool());
    lines->topLevelItem(0)->setText(0, "31");
    EXPECT_TRUE(trail.call("DataChanged", {ObjectArg(&form)}).toBool());
    dept->setCurrentIndex(1);
    EXPECT_TRUE(trail.call("DataChanged", {ObjectArg(&form)}).toBool());

    trail.set("LoggedTime", QDateTime(kProcessDate, QTime(10, 30), Qt::UTC));
    trail.call("SaveTrailInfo", {"7", "ADM/3", true, "D"});
    trail.call("SaveTrailInfo", {8, "ADM/4", true, "E", ObjectArg(&form)});
    EXPECT_EQ(idsOf("select Action || '|' || PaymentID || '|' || VoucherNo || '|' || UserID from "
                    "aUserTrail order by TrailID"),
              (QStringList{"D|7|ADM/3|1", "E|8|ADM/4|1"}));
    EXPECT_EQ(scalar("select LoggedTime from aUserTrail order by TrailID limit 1").toString(),
              "20261120 10:30:00");
    EXPECT_EQ(scalar("select Details from aUserTrail where Action='E'").toString(),
              "cboDepartment,lvwAccounts");
}

TEST_F(Components, IncidentKeepsTheErrorInTheTableAndTheLog) {
    MessageScript messages;  // the component records; it never shows anything
    LateObject incident = CreateObject("Marlin.clsIncident");
    incident.set("adocon", ObjectArg(con()));
    EXPECT_TRUE(incident
                    .call("ErrorTrack", {"FrmMaster", "admin", "Form_Load ", 17900, "SQLite",
                                         "no such table", "N", true})
                    .toBool());
    EXPECT_EQ(scalar("select FormName || '|' || ProcedureName || '|' || ErrorNumber || '|' || "
                     "ExtraText from aErrorLog")
                  .toString(),
              "FrmMaster|Form_Load |17900|N");
    ASSERT_EQ(clsIncident::recorded().size(), 1);
    EXPECT_EQ(clsIncident::recorded().front().description, "no such table");
    incident.set("strStatement", "select phAmount from nowhere");
    incident.call("ErrorTrack",
                  {"FrmMaster", "admin", "GridPopulate", 6, "x", "no such table", "", true});
    EXPECT_EQ(scalar("select StatementText from aErrorLog order by ErrorID desc").toString(),
              "select phAmount from nowhere");
}

// Refused for any reason, not only another workstation's lock (a full disk, a
// file moved away; a trigger here), a record waits and goes in, oldest first,
// once the table takes records again; the newest 1,000 wait at most.
TEST_F(Components, IncidentKeepsWhatTheTableRefusesAndWritesItOldestFirst) {
    LateObject incident = CreateObject("Marlin.clsIncident");
    incident.set("adocon", ObjectArg(con()));
    const auto track = [&](const QString& procedure) {
        return incident
            .call("ErrorTrack", {"FrmMaster", "admin", procedure, 6, "x", "Overflow", "", true})
            .toBool();
    };
    const auto stored = [&] {
        return idsOf("select ProcedureName from aErrorLog order by ErrorID");
    };
    createTrigger("refuse_errors", "BEFORE INSERT", "aErrorLog",
                  "refuse: database or disk is full");
    EXPECT_FALSE(track("first"));
    EXPECT_FALSE(track("second"));
    EXPECT_EQ(stored(), QStringList());
    EXPECT_EQ(clsIncident::pendingCount(), 2);
    dropTrigger("refuse_errors", "aErrorLog");
    EXPECT_TRUE(track("third"));
    EXPECT_EQ(stored(), (QStringList{"first", "second", "third"}));
    EXPECT_EQ(clsIncident::pendingCount(), 0);

    exec("delete from aErrorLog");
    createTrigger("refuse_errors", "BEFORE INSERT", "aErrorLog",
                  "refuse: database or disk is full");
    for (int i = 1; i <= 1001; ++i) track(QString::number(i));
    EXPECT_EQ(clsIncident::pendingCount(), 1000);
    dropTrigger("refuse_errors", "aErrorLog");
    EXPECT_FALSE(clsIncident::storePending());  // a round at a time: the window goes on
    EXPECT_TRUE(QTest::qWaitFor([] { return clsIncident::pendingCount() == 0; }));
    const QStringList written = stored();
    ASSERT_EQ(written.size(), 1000);
    EXPECT_EQ(written.front(), "2");  // the oldest went
    EXPECT_EQ(written.back(), "1001");
    // Texts longer than their columns go in cut, on any database.
    EXPECT_TRUE(track(QString(300, u'P')));
    EXPECT_EQ(stored().back(), QString(50, u'P'));
}

TEST_F(Components, LayoutRemembersWidthsPerUserCompanyAndGrid) {
    // The payee column's width in a register grid as `user` opens it, after
    // the user drags it to `dragged` twips (0: no drag); the key column stays hidden.
    const auto payeeWidth = [&](int user, int dragged) {
        FlexGrid grid;
        grid.setObjectName("flexMaster");
        grid.setCols(7);
        grid.setColWidth(0, 0);
        LateObject layout = CreateObject("Plover.clsLayout");
        layout.call("fnLayoutPrefs", {user, 1, ObjectArg(&grid), ObjectArg(con()), true});
        if (dragged) emit grid.columnResizedByUser(3, dragged);
        EXPECT_EQ(grid.colWidth(0), 0);
        return grid.colWidth(3);
    };
    payeeWidth(1, 2500);
    EXPECT_EQ(scalar("select WidthTwips from aGridLayout where UserID=1 and CompanyID=1 and "
                     "GridName='flexMaster' and ColumnIndex=3")
                  .toInt(),
              2500);
    EXPECT_EQ(payeeWidth(1, 0), 2500);
    EXPECT_NE(payeeWidth(2, 0), 2500);
}

TEST_F(Components, RegistryServesReplacementsAndRefusesUnknownClasses) {
    const auto errorOf = [](const std::function<void()>& call) {
        try {
            call();
        } catch (const ModuleError& e) {
            return e.number();
        }
        return 0;
    };
    EXPECT_EQ(errorOf([] { CreateObject("Nobody.clsNothing"); }), kErrCantCreateObject);
    int made = 0;
    ComRegistry::instance().overrideClass("Heron.clsPalette", [&] {
        ++made;
        return new clsIncident();  // any object: calls go by name
    });
    LateObject o = CreateObject("heron.clspalette");
    EXPECT_EQ(made, 1);
    EXPECT_EQ(errorOf([&] { o.call("ApplyPalette", {ObjectArg(nullptr)}); }), kErrMemberNotFound);
}

// A host or an installer changes the registry file while the module runs:
// the next object created follows the file as it is now, a change of the
// same length included.
TEST_F(Components, RegistryFollowsItsFileAsItChangesOnDisk) {
    QTemporaryDir dir;
    const QString file = dir.filePath("registry.ini");
    const QByteArray usual = qgetenv("PCP_REGISTRY");
    qputenv("PCP_REGISTRY", file.toLocal8Bit());
    ComRegistry::resetRegistryCache();
    int step = 0;
    const auto write = [&](const QByteArray& text) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        f.flush();
        // Each change lands on the disk's clock a second after the last.
        f.setFileTime(QDateTime::currentDateTime().addSecs(++step),
                      QFileDevice::FileModificationTime);
    };
    const auto palette = [] {
        try {
            CreateObject("Heron.clsPalette");
            return QString("made");
        } catch (const ModuleError& e) {
            return e.description();
        }
    };
    const QString refused = "ActiveX component can't create object: Heron.clsPalette";

    EXPECT_EQ(palette(), "made");  // no file yet: the class built in
    write("[classes]\nHeron.clsPalette=/nonexistent/libOtherPalette.so\n");
    EXPECT_TRUE(palette().startsWith(refused)) << palette().toStdString();
    EXPECT_EQ(ComRegistry::registeredLibrary("Heron.clsPalette"),
              "/nonexistent/libOtherPalette.so");
    write("[classes]\nHeron.clsPalettX=/nonexistent/libOtherPalette.so\n");
    EXPECT_EQ(palette(), "made");
    write("[classes]\nHeron.clsPalette=/nonexistent/libOtherPalette.so\n");
    EXPECT_TRUE(palette().startsWith(refused)) << palette().toStdString();
    ASSERT_TRUE(QFile::remove(file));
    EXPECT_EQ(palette(), "made");
    // A registration written through the registry counts at once.
    ComRegistry::writeRegistration("Heron.clsPalette", "/nonexistent/libOtherPalette.so");
    EXPECT_TRUE(palette().startsWith(refused)) << palette().toStdString();
    ComRegistry::removeRegistration("Heron.clsPalette");
    EXPECT_EQ(palette(), "made");

    qputenv("PCP_REGISTRY", usual);
    ComRegistry::resetRegistryCache();
}
