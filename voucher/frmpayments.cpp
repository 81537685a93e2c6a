#include "voucher/frmpayments.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "data/Values.h"
#include "suite/BasModule.h"
#include "ui/DateTyping.h"
#include "ui/Keys.h"
#include "ui/ListView.h"
#include "ui/MessageBox.h"
#include "ui/PlainText.h"
#include "ui/Twips.h"
#include "voucher/VoucherLines.h"

namespace pcp {

using namespace BasModule;

namespace {

QPointer<frmpayments> g_paymentsForm;

// A field the voucher cannot be saved without: the form-colour component
// paints it in the mandatory colour.
void markMandatory(QWidget* w) {
    w->setProperty("mandatory", true);
}

QLineEdit* textBox(QWidget* parent, const char* name, int maxLength) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    if (maxLength > 0) box->setMaxLength(maxLength);
    return box;
}

QLabel* caption(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

// A hidden box that carries a rate or the creator's name for the save.
QLineEdit* hiddenBox(QWidget* parent, const char* name) {
    QLineEdit* box = textBox(parent, name, 0);
    box->setAlignment(Qt::AlignRight);
    box->setEnabled(false);
    box->hide();
    return box;
}

}  // namespace

frmpayments& PaymentsForm() {
    if (!g_paymentsForm) g_paymentsForm = new frmpayments();
    return *g_paymentsForm;
}

bool PaymentsFormLoaded() {
    return !g_paymentsForm.isNull();
}

void UnloadPaymentsForm() {
    delete g_paymentsForm.data();
}

frmpayments::frmpayments(QWidget* parent) : VbForm(parent) {
    setObjectName(QStringLiteral("frmpayments"));
    setWindowTitle(QStringLiteral("Petty Cash Payments"));
    buildControls();
    buildMenu();
    connectHandlers();
    setTabOrder();
    Form_Load();
}

frmpayments::~frmpayments() = default;

QString frmpayments::messageTitle() const {
    return GStrMsgboxCaption;
}

// --- layout -----------------------------------------------------------------

void frmpayments::buildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(TwipsToPx(120), TwipsToPx(120), TwipsToPx(120), TwipsToPx(120));
    layout->setSpacing(TwipsToPx(90));
    layout->addWidget(buildHeader());
    layout->addWidget(buildLines(), 1);
    layout->addWidget(buildFooter());

    txtAccExRates = hiddenBox(this, "txtAccExRates");
    txtDepExRates = hiddenBox(this, "txtDepExRates");
    txtComExRates = hiddenBox(this, "txtComExRates");
    txtCusExRates = hiddenBox(this, "txtCusExRates");
    txtusername = hiddenBox(this, "txtusername");
    setCancelButton(cmdClose);
    resize(TwipsToPx(10800), TwipsToPx(7600));
}

// Two columns of fields: who and what on the left, where from on the right.
QWidget* frmpayments::buildHeader() {
    auto* header = new QWidget(this);
    auto* grid = new QGridLayout(header);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(TwipsToPx(120));

    txtpaymentNo = textBox(header, "txtpaymentNo", 0);
    txtpaymentNo->setEnabled(false);
    dtpDate = new QDateEdit(header);
    dtpDate->setObjectName(QStringLiteral("dtpDate"));
    dtpDate->setDisplayFormat(QString::fromLatin1(kShortDateFormat));
    dtpDate->setCalendarPopup(true);  // typed, or picked from a calendar
    txtPayee = textBox(header, "txtPayee", 150);
    KeepEntryTextPlain(txtPayee);
    markMandatory(txtPayee);
    cboDepartment = new QComboBox(header);
    cboDepartment->setObjectName(QStringLiteral("cboDepartment"));
    markMandatory(cboDepartment);
    cboAccName = new QComboBox(header);
    cboAccName->setObjectName(QStringLiteral("cboAccName"));
    markMandatory(cboAccName);
    for (QComboBox* box : {cboDepartment, cboAccName}) FindTypedTextWithSpaces(box);
    txtRefNo = textBox(header, "txtRefNo", 0);
    txtRefNo->setEnabled(false);
    txtRemarks = textBox(header, "txtRemarks", 250);
    KeepEntryTextPlain(txtRemarks);
    markMandatory(txtRemarks);

    grid->addWidget(caption(QStringLiteral("Payment No:"), txtpaymentNo, header), 0, 0);
    grid->addWidget(txtpaymentNo, 0, 1);
    grid->addWidget(caption(QStringLiteral("Payment &Date:"), dtpDate, header), 0, 2);
    grid->addWidget(dtpDate, 0, 3);
    grid->addWidget(caption(QStringLiteral("&Payee:"), txtPayee, header), 1, 0);
    grid->addWidget(txtPayee, 1, 1, 1, 3);
    grid->addWidget(caption(QStringLiteral("D&epartment:"), cboDepartment, header), 2, 0);
    grid->addWidget(cboDepartment, 2, 1);
    grid->addWidget(caption(QStringLiteral("&Account Name:"), cboAccName, header), 2, 2);
    grid->addWidget(cboAccName, 2, 3);
    auto* Label7 = new QLabel(QStringLiteral("Payment No:"), header);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->hide();  // a second caption of the design with nothing to say
    grid->addWidget(caption(QStringLiteral("Ref.No:"), txtRefNo, header), 3, 2);
    grid->addWidget(txtRefNo, 3, 3);
    grid->addWidget(caption(QStringLiteral("&Remarks:"), txtRemarks, header), 4, 0);
    grid->addWidget(txtRemarks, 4, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return header;
}

QWidget* frmpayments::buildLines() {
    fraDetails = new QGroupBox(QStringLiteral("Details"), this);
    fraDetails->setObjectName(QStringLiteral("fraDetails"));
    auto* box = new QVBoxLayout(fraDetails);
    lvwAccounts = new ListView(fraDetails);
    lvwAccounts->setObjectName(QStringLiteral("lvwAccounts"));
    lvwAccounts->addColumn(QStringLiteral("Sl. No"), 700, Qt::AlignRight);
    lvwAccounts->addColumn(QStringLiteral("Account Head"), 3709);
    lvwAccounts->addColumn(QStringLiteral("Description"), 3440);
    lvwAccounts->addColumn(QStringLiteral("Amount"), 2000, Qt::AlignRight);
    lvwAccounts->addColumn(QStringLiteral("AccountID"), 0);
    lvwAccounts->addColumn(QStringLiteral("ExchangeRate"), 0);
    lvwAccounts->addColumn(QStringLiteral("AgreementID"), 0);
    lvwAccounts->setContextMenuPolicy(Qt::NoContextMenu);
    box->addWidget(lvwAccounts);
    return fraDetails;
}

QWidget* frmpayments::buildFooter() {
    auto* footer = new QWidget(this);
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(0, 0, 0, 0);
    cmdOk = new QPushButton(QStringLiteral("&OK"), footer);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdClose = new QPushButton(QStringLiteral("&Close"), footer);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    for (QPushButton* b : {cmdOk, cmdClose}) {
        b->setAutoDefault(false);
        b->setMinimumSize(TwipsToPx(1300), TwipsToPx(420));
    }
    txtTotal = textBox(footer, "txtTotal", 1000);
    txtTotal->setAlignment(Qt::AlignRight);
    txtTotal->setMinimumWidth(TwipsToPx(2000));
    // Written only by the program, but read by the clerk: plain dark figures.
    txtTotal->setStyleSheet(QStringLiteral("QLineEdit:disabled { color: #202020; }"));
    QFont bold = txtTotal->font();
    bold.setBold(true);
    txtTotal->setFont(bold);
    markMandatory(txtTotal);
    lblTotalAmt = caption(QStringLiteral("Pmt Amount:"), txtTotal, footer);
    lblTotalAmt->setObjectName(QStringLiteral("lblTotalAmt"));
    MakePlain(lblTotalAmt);  // it carries a currency symbol from the database
    lblFloatLeft = new QLabel(footer);
    lblFloatLeft->setObjectName(QStringLiteral("lblFloatLeft"));
    MakePlain(lblFloatLeft);
    row->addWidget(cmdOk);
    row->addWidget(cmdClose);
    row->addStretch(1);
    row->addWidget(lblFloatLeft);
    row->addSpacing(TwipsToPx(240));
    row->addWidget(lblTotalAmt);
    row->addWidget(txtTotal);
    return footer;
}

void frmpayments::buildMenu() {
    mnupopup = new QMenu(QStringLiteral("PopUp"), this);
    mnupopup->setObjectName(QStringLiteral("mnupopup"));
    mnuAdd = mnupopup->addAction(QStringLiteral("Add"));
    mnuAdd->setObjectName(QStringLiteral("mnuAdd"));
    mnuEdit = mnupopup->addAction(QStringLiteral("Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuDelete = mnupopup->addAction(QStringLiteral("Delete"));
    mnuDelete->setObjectName(QStringLiteral("mnuDelete"));
    mnuCancel = mnupopup->addAction(QStringLiteral("Cancel"));
    mnuCancel->setObjectName(QStringLiteral("mnuCancel"));
}

// A user who may choose the department does so before the cash account, as
// the checks of the save ask for them; a disabled department is passed over.
void frmpayments::setTabOrder() {
    QWidget* order[] = {txtPayee, cboDepartment, cboAccName, txtRemarks,   lvwAccounts, txtTotal,
                        cmdOk,    cmdClose,      dtpDate,    txtpaymentNo, txtRefNo};
    for (size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void frmpayments::connectHandlers() {
    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
    // A click on the entry already chosen counts as choosing it again (rates
    // fetched afresh); a program's selection counts as a choice too.
    for (QComboBox* box : {cboDepartment, cboAccName}) {
        const auto click = [this, box] {
            box == cboDepartment ? cboDepartment_Click() : cboAccName_Click();
        };
        connect(box, &QComboBox::currentIndexChanged, this, [box, click] {
            click();
            // A pick that changed the entry is announced twice; it runs once.
            box->setProperty("pcpJustChanged", true);
            QTimer::singleShot(0, box, [box] { box->setProperty("pcpJustChanged", false); });
        });
        connect(box, &QComboBox::activated, this, [box, click] {
            if (!box->property("pcpJustChanged").toBool()) click();
        });
    }
    connect(mnuAdd, &QAction::triggered, this, [this] { mnuAdd_Click(); });
    connect(mnuEdit, &QAction::triggered, this, [this] { mnuEdit_Click(); });
    connect(mnuDelete, &QAction::triggered, this, [this] { mnuDelete_Click(); });
    connect(lvwAccounts, &ListView::columnClicked, this,
            [this](int column) { lvwAccounts_ColumnClick(column); });
    connect(lvwAccounts, &ListView::itemDblClicked, this, [this] { mnuEdit_Click(); });
    connect(lvwAccounts, &ListView::rightMouseDown, this,
            [this](const QPoint& at) { lvwAccounts_MouseDown(at); });

    const auto hotkeys = [this](int& k, int) { CheckHotkey(k); };
    const auto enterMovesOn = [](int& k) { EnterToTab(k); };
    keys_ = new KeyRouter(this);
    for (QWidget* field :
         std::initializer_list<QWidget*>{txtPayee, txtRemarks, cboDepartment, cboAccName})
        keys_->on(field, {.keyDown = hotkeys, .keyPress = enterMovesOn});
    keys_->on(dtpDate, {.keyUp = [](int& k, int) { EnterToTab(k); }});
    const auto listKeys = [this](int& k, int shift) { lvwAccounts_KeyDown(k, shift); };
    keys_->on(lvwAccounts,
              {.keyDown = listKeys, .keyPress = [this](int& k) { lvwAccounts_KeyPress(k); }});
    keys_->on(txtTotal, {.keyPress = [this](int& k) { txtTotal_KeyPress(k); }});
    keys_->attach();
    // After the router: it sees the date's keys first.
    dateTyping_ = new WholeDateTyping(
        dtpDate, [](const QString& text) { ModuleMsgBox(text, vbInformation); });
}

// --- load, activation, keys ---------------------------------------------------

void frmpayments::Form_Load() {
    Handle("frmpayments", "Form_Load", [&] {
        GObjPalette.call("ApplyPalette", {ObjectArg(this)});
        blnFirstActivate = true;
        LoadUserDepartments();
        const QString company = QString::number(GIntCompanyID);
        GObjVault.set("strTableName", QStringLiteral("adepartmentmaster"));
        GObjVault.call(
            "populateComboorList",
            {ObjectArg(cboDepartment), QStringLiteral("DepartmentID"),
             QStringLiteral("DepartmentName"),
             QStringLiteral("CompanyID = ") + company + QStringLiteral(" and DepartmentID ") +
                 GStrUserDepartments + QStringLiteral(" order by DepartmentName")});
        if (GIntDepartmentID < 1) {
            cboDepartment->setEnabled(true);
        } else {
            GObjUtility.call("SelectComboItemByValue",
                             {ObjectArg(cboDepartment), QString::number(GIntDepartmentID)});
            cboDepartment->setEnabled(false);
        }
        GObjVault.set("strTableName", QStringLiteral("aAccountMaster a"));
        GObjVault.call(
            "populateComboorList",
            {ObjectArg(cboAccName), QStringLiteral("a.AccountID"), QStringLiteral("AccountDesc"),
             QStringLiteral(" a.CompanyID=") + company +
                 QStringLiteral(" and groupID=(select bankgroupID from ") +
                 QStringLiteral(" asettings where companyId=") + company + QStringLiteral(") ") +
                 QStringLiteral("  ORDER BY Accountdesc")});
        if (GStrMasterNewEditFlag == u"N") dtpDate->setDate(GDtProcessDate.date());
        txtTotal->setEnabled(false);
    });
}

// The audit component remembers the values at the first activation, so an
// edit's loaded voucher is what later changes are measured against.
void frmpayments::formActivate() {
    Handle("frmpayments", "Form_Activate", [&] {
        if (!blnFirstActivate) return;
        blnFirstActivate = false;
        setTag(QStringLiteral("loaded"));
        GObjTrail.call("SaveInToTag", {ObjectArg(this)});
        if (txtPayee->isEnabled()) txtPayee->setFocus();  // the clerk starts with the payee
    });
}

bool frmpayments::takeTypedDate() {
    return dateTyping_->takePending();
}

void frmpayments::CheckHotkey(int& KeyCode) {
    Handle("frmpayments", "CheckHotkey", [&] {
        if (KeyCode == vbKeyF10 && mnuAdd->isEnabled()) {
            KeyCode = 0;
            mnuAdd_Click();
        } else if (KeyCode == vbKeyF11 && mnuEdit->isEnabled()) {
            KeyCode = 0;
            mnuEdit_Click();
        } else if (KeyCode == vbKeyF5 && cmdOk->isEnabled()) {
            KeyCode = 0;
            cmdOk_Click();
        }
    });
}

// Keys no field took (the date, the buttons) reach the window's own key-down.
void frmpayments::keyPressEvent(QKeyEvent* e) {
    int keyCode = VbKeyCodeOf(e);
    if (keyCode == vbKeyF5 || keyCode == vbKeyF10 || keyCode == vbKeyF11) {
        CheckHotkey(keyCode);
        e->accept();
        return;
    }
    VbForm::keyPressEvent(e);
}

// --- closing ------------------------------------------------------------------

void frmpayments::cmdClose_Click() {
    Handle("frmpayments", "cmdClose_Click", [&] { Unload(); });
}

// A changed voucher asks before it goes; lines added, changed or deleted
// count as a change as much as the header's fields do.
bool frmpayments::queryUnload(int) {
    bool allow = true;
    // A question that could not be asked keeps the window and what was typed.
    const bool asked = Handle("frmpayments", "Form_QueryUnload", [&] {
        if (tag().isEmpty()) return;
        const bool changed = GObjTrail.call("DataChanged", {ObjectArg(this)}).toBool();
        if (!(changed || blnItemChange) || !cmdOk->isEnabled()) return;
        blnItemChange = false;
        const int answer =
            ModuleMsgBox(QStringLiteral("Save Changes?"), vbYesNoCancel + vbQuestion);
        if (answer == vbCancel) {
            allow = false;
        } else if (answer == vbYes) {
            cmdOk_Click();
            // A save refused by a check, or one that failed, keeps the window.
            allow = tag().isEmpty();
        }
    });
    return asked && allow;
}

}  // namespace pcp
