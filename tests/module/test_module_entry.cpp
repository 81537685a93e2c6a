// The module as a host sees it: a class created by its ProgID through the
// library's class factory, properties set and read by name, Show by name.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMetaProperty>
#include <QPushButton>

#include "data/ModuleError.h"
#include "module/ModuleServer.h"
#include "register/FrmMaster.h"
#include "suite/BasModule.h"
#include "suite/ComRegistry.h"
#include "suite/clsIncident.h"
#include "tests/support/Fixtures.h"
#include "ui/Help.h"
#include "ui/Modal.h"
#include "ui/Pointer.h"

using namespace pcp;
using namespace pcp::test;

namespace {

QObject* createByProgId(const char* progId) {
    std::unique_ptr<QObject> factory(DllGetClassObject(progId));
    if (!factory) return nullptr;
    QObject* instance = nullptr;
    EXPECT_TRUE(QMetaObject::invokeMethod(factory.get(), "CreateInstance",
                                          Q_RETURN_ARG(QObject*, instance)));
    return instance;
}

class ModuleEntryTest : public DemoDatabaseTest {
  protected:
    void SetUp() override {
        DemoDatabaseTest::SetUp();
        BasModule::ResetContext();
        payments.reset(createByProgId("lq8dm362.clsPettyCashPayments"));
        ASSERT_TRUE(payments);
    }
    // The object goes before the module's state is reset, so no count runs below zero.
    void TearDown() override {
        payments.reset();
        DemoDatabaseTest::TearDown();
    }
    void setAll() {
        SetByName(payments.get(), "adocon", ObjectArg(con()));
        SetByName(payments.get(), "strMsgboxCaption", QStringLiteral("Head Office Petty Cash"));
        SetByName(payments.get(), "intCompanyID", 1);
        SetByName(payments.get(), "intdepartmentid", 2);
        SetByName(payments.get(), "intuserid", 1);
        SetByName(payments.get(), "intFinancialID", 2);
        SetByName(payments.get(), "dtProcessDate", QDateTime(kProcessDate, QTime(0, 0), Qt::UTC));
    }
    std::unique_ptr<QObject> payments;
};

}  // namespace

TEST_F(ModuleEntryTest, RegisteringFactoriesAndUnloading) {
    ASSERT_EQ(DllRegisterServer(), 0);
    const QString path =
        ComRegistry::registeredLibrary(QStringLiteral("lq8dm362.clsPettyCashPayments"));
    EXPECT_EQ(path, ModuleLibraryPath());
    EXPECT_TRUE(path.contains(QStringLiteral("libPettyCashPayments.so")));
    ASSERT_EQ(DllUnregisterServer(), 0);
    EXPECT_TRUE(
        ComRegistry::registeredLibrary(QStringLiteral("lq8dm362.clsPettyCashPayments")).isEmpty());
    ASSERT_EQ(DllRegisterServer(), 0);
    // An unknown ProgID gets no factory; the known one in any case does.
    EXPECT_EQ(DllGetClassObject("lq8dm362.clsNoSuchClass"), nullptr);
    EXPECT_NE(std::unique_ptr<QObject>(DllGetClassObject("LQ8DM362.CLSPETTYCASHPAYMENTS")),
              nullptr);
    // The library may unload only when no object is held.
    EXPECT_EQ(DllCanUnloadNow(), 1);
    payments.reset();
    EXPECT_EQ(DllCanUnloadNow(), 0);
}

TEST_F(ModuleEntryTest, PropertiesReadBackAndA16BitOneRefusesALargerNumber) {
    QObject* c = GetByName(payments.get(), "adocon").value<QObject*>();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(GetByName(c, "State").toInt(), 0);
    EXPECT_EQ(GetByName(payments.get(), "adocon").value<QObject*>(), c);
    EXPECT_EQ(RaisedBy([&] { SetByName(payments.get(), "intCompanyID", 40000); }).number(),
              kErrOverflow);
    SetByName(payments.get(), "intCompanyID", 32767);
    EXPECT_EQ(GetByName(payments.get(), "intCompanyID").toInt(), 32767);
    SetByName(payments.get(), "intCompanyID",
              QStringLiteral("2.5"));  // rounds to even, as the 16-bit conversion does
    EXPECT_EQ(GetByName(payments.get(), "intCompanyID").toInt(), 2);
    // Every property set reads back by name, in any case.
    setAll();
    EXPECT_EQ(GetByName(payments.get(), "adocon").value<QObject*>(), con());
    EXPECT_EQ(GetByName(payments.get(), "dtProcessDate").toDateTime().date(), kProcessDate);
    for (const auto& [name, value] :
         {std::pair{"strmsgboxcaption", "Head Office Petty Cash"}, std::pair{"intCompanyID", "1"},
          std::pair{"intDepartmentID", "2"}, std::pair{"intuserid", "1"},
          std::pair{"intFinancialID", "2"}})
        EXPECT_EQ(GetByName(payments.get(), name).toString(), value) << name;
    EXPECT_EQ(payments->metaObject()
                  ->property(payments->metaObject()->indexOfProperty("intCompanyID"))
                  .metaType()
                  .id(),
              QMetaType::Short);
}

// Each Show opens a fresh register with the host's context of the moment.
TEST_F(ModuleEntryTest, ShowOpensTheRegisterWithTheHostsContext) {
    setAll();
    ModalScript modal;
    QStringList buttons;
    modal.expect(QStringLiteral("FrmMaster"), [&](QDialog* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Petty Cash Payments"));
        for (auto* b : w->findChildren<QPushButton*>()) buttons << b->text();
        EXPECT_EQ(BasModule::GIntCompanyID, 1);
        EXPECT_EQ(BasModule::GIntDepartmentID, 2);
        EXPECT_EQ(BasModule::GStrMsgboxCaption, QStringLiteral("Head Office Petty Cash"));
        EXPECT_EQ(BasModule::GAdoCon.get(), con());
        static_cast<FrmMaster*>(w)->cmdClose->click();
    });
    modal.expect(QStringLiteral("FrmMaster"), [&](QDialog* w) {
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(BasModule::GIntCompanyID, 2);
        w->reject();
    });
    CallByName(payments.get(), "Show", {});
    SetByName(payments.get(), "intCompanyID", 2);
    CallByName(payments.get(), "Show", {});
    EXPECT_TRUE(modal.allSeen());
    for (const char* b : {"&New", "&Edit", "&Delete", "&Preview", "&Close"})
        EXPECT_TRUE(buttons.contains(QString::fromLatin1(b))) << b;
}

TEST(ModuleState, TheTestsResetPutsBackEveryProcessWideState) {
    using namespace BasModule;
    GIntCompanyID = 7;
    GStrSql = "select 1";
    GStrFunctionRights = "NED";
    SetHelpFile("/somewhere/help.chm");
    qint32 number = 5;
    SetMessagePresenter([](const MessageRequest&) { return int(vbOK); });
    ReportError("FrmMaster", 1, "Form_Load ", number, "x", "y", "", true);
    ComRegistry::instance().overrideClass("Kestrel.clsVault", [] { return new QObject(); });
    SetModalHook([](QDialog*) {});
    MousePointer::setHourglass(true);
    std::unique_ptr<QObject> payments(createByProgId("lq8dm362.clsPettyCashPayments"));
    const int alive = LiveObjectCount();
    ASSERT_GT(alive, 0);

    ResetModuleState();

    EXPECT_EQ(GIntCompanyID, 0);
    EXPECT_TRUE(GStrSql.isEmpty());
    EXPECT_FALSE(HasRight("N"));
    EXPECT_TRUE(HelpFile().isEmpty());
    EXPECT_TRUE(clsIncident::recorded().isEmpty());
    EXPECT_EQ(CreateObject("Kestrel.clsVault").object()->metaObject()->className(),
              QByteArray("pcp::clsVault"));
    EXPECT_FALSE(MousePointer::isHourglass());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The count follows the objects alive: a reset leaves it alone.
    EXPECT_EQ(LiveObjectCount(), alive);
    // The real presenter and no hook are back: the test guards go in again.
    InstallTestGuards();
    payments.reset();
    EXPECT_EQ(LiveObjectCount(), alive - 1);
}
