#include "register/FrmMaster.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStyleOptionGroupBox>
#include <algorithm>

#include "data/AdoRecordset.h"
#include "data/ModuleError.h"
#include "data/ModulePath.h"
#include "data/Values.h"
#include "store/CashCount.h"
#include "suite/BasModule.h"
#include "suite/RegisterRows.h"
#include "ui/FlexGrid.h"
#include "ui/Help.h"
#include "ui/Keys.h"
#include "ui/MessageBox.h"
#include "ui/PlainText.h"
#include "ui/Pointer.h"
#include "ui/Twips.h"

namespace pcp {

using namespace BasModule;

namespace {

// A frame whose caption sits on its top line, as the strip was designed, not
// above the frame as the platform style draws it: a thin rounded line in the
// application's mid tone, half a line of the application's face below the
// top, broken for the caption six pixels in. It is drawn here rather than by
// a style sheet, which would restyle every control in the frame and keep the
// window's face from them.
class CaptionFrame : public QGroupBox {
  public:
    using QGroupBox::QGroupBox;

  protected:
    void paintEvent(QPaintEvent*) override {
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        QPainter painter(this);
        int flags = int(Qt::AlignCenter | Qt::TextShowMnemonic);
        if (!style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this))
            flags |= Qt::TextHideMnemonic;
        const QFontMetrics& fm = option.fontMetrics;
        QRect label(option.rect.x() + kCaptionLeft + kCaptionPadding, option.rect.y(),
                    fm.horizontalAdvance(option.text), fm.height());
        label.setWidth(
            std::max(label.width(),
                     fm.size(flags & ~Qt::AlignCenter, option.text + QLatin1Char(' ')).width()));
        const bool captioned = !option.text.isEmpty();
        const int top = qRound(0.5 * QFontMetrics(QFont()).height());
        painter.save();
        if (captioned)
            painter.setClipRegion(QRegion(option.rect) -
                                  label.adjusted(-kCaptionPadding, 0, kCaptionPadding, 0));
        drawLine(&painter, option.rect.adjusted(0, top, 0, 0),
                 QGuiApplication::palette().color(QPalette::Mid));
        painter.restore();
        if (!captioned) return;
        QPalette palette = option.palette;
        if (option.textColor.isValid()) palette.setColor(QPalette::WindowText, option.textColor);
        style()->drawItemText(&painter, label, flags, palette, option.state & QStyle::State_Enabled,
                              option.text, QPalette::WindowText);
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.rect = label;
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
    }

  private:
    static constexpr int kCaptionLeft = 6;
    static constexpr int kCaptionPadding = 2;
    static constexpr qreal kRadius = 2;

    // One pixel wide, smoothed, with corners of kRadius where the box has room.
    static void drawLine(QPainter* painter, const QRect& box, const QColor& colour) {
        const QRectF b(box);
        const bool round = 2 * kRadius <= box.width() && 2 * kRadius <= box.height();
        const qreal r = round ? kRadius : 0;
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(colour);
        painter->drawRect(QRectF(b.x() + r, b.bottom() - 1, b.width() - 2 * r, 1));
        painter->drawRect(QRectF(b.right() - 1, b.y() + r, 1, b.height() - 2 * r));
        painter->drawRect(QRectF(b.x(), b.y() + r, 1, b.height() - 2 * r));
        painter->drawRect(QRectF(b.x() + r, b.y(), b.width() - 2 * r, 1));
        if (!round) return;
        painter->setPen(QPen(colour, 1, Qt::SolidLine, Qt::SquareCap));
        painter->setBrush(Qt::NoBrush);
        const qreal d = 2 * r - 1;
        const QRectF topLeft(b.x() + 0.5, b.y() + 0.5, d, d);
        const QRectF topRight(b.right() - 2 * r + 0.5, b.y() + 0.5, d, d);
        const QRectF bottomLeft(b.x() + 0.5, b.bottom() - 2 * r + 0.5, d, d);
        const QRectF bottomRight(b.right() - 2 * r + 0.5, b.bottom() - 2 * r + 0.5, d, d);
        // Each corner in two halves, one with each edge that meets there.
        painter->drawArc(bottomLeft, -90 * 16, -45 * 16);
        painter->drawArc(bottomRight, -90 * 16, 45 * 16);
        painter->drawArc(topRight, 45 * 16, -45 * 16);
        painter->drawArc(bottomRight, 315 * 16, 45 * 16);
        painter->drawArc(topLeft, 135 * 16, 45 * 16);
        painter->drawArc(bottomLeft, 180 * 16, 45 * 16);
        painter->drawArc(topLeft, 135 * 16, -45 * 16);
        painter->drawArc(topRight, 45 * 16, 45 * 16);
    }
};

void place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(TwipsToPx(left), TwipsToPx(top), TwipsToPx(width), TwipsToPx(height));
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int left) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    place(b, left, 8145, 1700, 540);
    return b;
}

}  // namespace

FrmMaster::FrmMaster(QWidget* parent) : VbForm(parent) {
    setObjectName(QStringLiteral("FrmMaster"));
    buildControls();
    connectHandlers();
    setSortKeys();
    Form_Load();
}

FrmMaster::~FrmMaster() {
    if (RegisterGrid() == rows_.get()) SetRegisterRows(nullptr);
}

QString FrmMaster::messageTitle() const {
    return GStrMsgboxCaption;
}

void FrmMaster::buildControls() {
    setFixedSize(TwipsToPx(14400), TwipsToPx(8760));

    flexMaster = new FlexGrid(this);
    flexMaster->setObjectName(QStringLiteral("flexMaster"));
    QFont gridFont(QStringLiteral("Arial"));
    gridFont.setPointSizeF(8.25);
    flexMaster->setFont(gridFont);
    place(flexMaster, 0, 0, 14265, 7350);

    fraBrowse = new CaptionFrame(QStringLiteral("Browse"), this);
    fraBrowse->setObjectName(QStringLiteral("fraBrowse"));
    place(fraBrowse, 60, 7440, 14265, 660);
    // The strip's controls have always kept the application's colours, not
    // those the suite's palette gives the window once it is loaded.
    QPalette applicationColours = fraBrowse->palette();
    applicationColours.setResolveMask(~QPalette::ResolveMask(0));
    fraBrowse->setPalette(applicationColours);

    chkSearchAll = new QCheckBox(QStringLiteral("&Search All"), fraBrowse);
    chkSearchAll->setObjectName(QStringLiteral("chkSearchAll"));
    place(chkSearchAll, 225, 270, 1215, 240);

    lblsearch = new QLabel(QStringLiteral("Search &On:"), fraBrowse);
    lblsearch->setObjectName(QStringLiteral("lblsearch"));
    place(lblsearch, 1710, 270, 810, 195);

    cboSearch = new QComboBox(fraBrowse);
    cboSearch->setObjectName(QStringLiteral("cboSearch"));
    place(cboSearch, 2670, 210, 3120, 315);
    lblsearch->setBuddy(cboSearch);

    txtsearch = new QLineEdit(fraBrowse);
    txtsearch->setObjectName(QStringLiteral("txtsearch"));
    txtsearch->setMaxLength(50);
    KeepEntryTextPlain(txtsearch);  // what is searched for reaches a statement
    place(txtsearch, 5910, 210, 2595, 315);

    Picture1 = new QWidget(fraBrowse);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    place(Picture1, 8640, 210, 2405, 285);
    optAscend = new QRadioButton(QStringLiteral("&Ascending"), Picture1);
    optAscend->setObjectName(QStringLiteral("optAscend"));
    place(optAscend, 0, 0, 1050, 285);
    optAscend->setChecked(true);
    // Each Alt letter of the register does one thing: E is Edit's, P Preview's.
    optDescend = new QRadioButton(QStringLiteral("Descend&ing"), Picture1);
    optDescend->setObjectName(QStringLiteral("optDescend"));
    place(optDescend, 1170, 0, 1320, 285);

    cboColNames = new QComboBox(fraBrowse);
    cboColNames->setObjectName(QStringLiteral("cboColNames"));
    place(cboColNames, 11055, 210, 3045, 315);

    cmdNew = button(this, "cmdNew", QStringLiteral("&New"), 60);
    CmdEdit = button(this, "CmdEdit", QStringLiteral("&Edit"), 1785);
    CmdDelete = button(this, "CmdDelete", QStringLiteral("&Delete"), 3495);
    cmdUpdate = button(this, "cmdUpdate", QStringLiteral("Cancel Pos&ting"), 5220);
    cmdUpdate->setEnabled(false);
    // The user's rights enable these once the register is filled; a load that
    // fails before that leaves no command the user may not have.
    for (QPushButton* b : {cmdNew, CmdEdit, CmdDelete}) b->setEnabled(false);
    cmdPreview = button(this, "cmdPreview", QStringLiteral("&Preview"), 6960);
    cmdBook = button(this, "cmdBook", QStringLiteral("Payments &Book"), 8685);
    cmdCount = button(this, "cmdCount", QStringLiteral("Cash Co&unt"), 10410);
    cmdClose = button(this, "cmdClose", QStringLiteral("&Close"), 12645);
    setCancelButton(cmdClose);

    // Captions never clip on a platform whose face runs a little wider.
    for (QWidget* w :
         std::initializer_list<QWidget*>{chkSearchAll, lblsearch, optAscend, optDescend})
        w->resize(std::max(w->width(), w->sizeHint().width()), w->height());

    // Tab order as the window was designed.
    QWidget* order[] = {flexMaster, chkSearchAll, cboSearch, txtsearch, optAscend,
                        optDescend, cboColNames,  cmdNew,    CmdEdit,   CmdDelete,
                        cmdUpdate,  cmdPreview,   cmdBook,   cmdCount,  cmdClose};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void FrmMaster::connectHandlers() {
    connect(cmdNew, &QPushButton::clicked, this, [this] { cmdNew_Click(); });
    connect(CmdEdit, &QPushButton::clicked, this, [this] { CmdEdit_Click(); });
    connect(CmdDelete, &QPushButton::clicked, this, [this] { CmdDelete_Click(); });
    connect(cmdUpdate, &QPushButton::clicked, this, [this] { cmdUpdate_Click(); });
    connect(cmdPreview, &QPushButton::clicked, this, [this] { cmdPreview_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
    connect(cmdBook, &QPushButton::clicked, this, [this] { cmdBook_Click(); });
    connect(cmdCount, &QPushButton::clicked, this, [this] { cmdCount_Click(); });
    new QShortcut(QKeySequence(QStringLiteral("Ctrl+B")), this, [this] { cmdBook_Click(); });

    connect(flexMaster, &FlexGrid::enterCell, this, [this] { flexMaster_EnterCell(); });
    connect(flexMaster, &FlexGrid::selChange, this, [this] { flexMaster_SelChange(); });
    connect(flexMaster, &FlexGrid::dblClick, this, [this] { flexMaster_DblClick(); });
    connect(flexMaster, &FlexGrid::mouseMoved, this, [this] { flexMaster_MouseMove(); });
    // A user's pick (mouse or arrow keys) sorts, even when it is the same entry again.
    connect(cboColNames, &QComboBox::activated, this, [this] { cboColNames_Click(); });
    connect(optAscend, &QRadioButton::clicked, this, [this] { optAscend_Click(); });
    connect(optDescend, &QRadioButton::clicked, this, [this] { optDescend_Click(); });
    connect(txtsearch, &QLineEdit::textEdited, this, [this] { searchTextEdited_ = true; });

    keys_ = new KeyRouter(this);
    keys_->setPreview({.keyPress = [this](int& k) { Form_KeyPress(k); }});
    keys_->on(flexMaster, {.keyPress = [this](int& k) { flexMaster_KeyPress(k); }});
    keys_->on(txtsearch, {.keyPress = [this](int& k) { txtsearch_KeyPress(k); },
                          .keyUp = [this](int& k, int shift) { txtsearch_KeyUp(k, shift); }});
    keys_->attach();
}

// The module's help file lies in Help/ beside the module library, which
// stays where it was loaded from: its path is found once.
static QString ModuleHelpFile() {
    static const QString file = ModuleFolder() + QStringLiteral("/Help/PettyCashPayments.chm");
    return file;
}

void FrmMaster::Form_Load() {
    Handle("FrmMaster", "Form_Load ", [&] {
        OpenSharedComponents(Now());
        SetHelpFile(ModuleHelpFile());
        setWindowTitle(QStringLiteral("Petty Cash Payments"));
        showWriteRefusal();
        GStrTableMain = QStringLiteral("aHqPettyCashPaymentHeader");
        rows_ = FlexGridRows(flexMaster);
        SetRegisterRows(rows_.get());
        GObjPalette.call("ApplyPalette", {ObjectArg(this)});

        GObjVault.set("strTableName",
                      QStringLiteral("aUsers where UserID=") + QString::number(GIntUserID));
        GStrUserName = Text(GObjVault.call("fnReturnField", {QStringLiteral("UserName")}));
        GRegisterQuery = WindowOfDays(previousDays(), RegisterOrder());
        GStrSql = GRegisterQuery.sql();

        HourglassScope hourglass;
        readRights();
        GridPopulate(GRegisterQuery, GStrTableMain);
        hourglass.release();

        afterFill();
    });
}

// After a fill: the commands follow the current row, nothing to edit in an
// empty register, and the selection takes its colour.
void FrmMaster::afterFill() {
    flexMaster_EnterCell();
    if (flexMaster->textMatrix(1, 0).isEmpty()) {
        CmdEdit->setEnabled(false);
        CmdDelete->setEnabled(false);
    }
    if (flexMaster->textMatrix(flexMaster->row(), 5) == u"Yes") CmdDelete->setEnabled(false);
    flexMaster_SelChange();
}

// The company's register window in days; not a whole number ends the load.
qint32 FrmMaster::previousDays() {
    GObjVault.set("strTableName",
                  QStringLiteral("asettings where companyid=") + QString::number(GIntCompanyID));
    const QVariant days = GObjVault.call("fnReturnField", {QStringLiteral("noofpreviousdays")});
    return CLng(days);
}

RegisterQuery FrmMaster::WindowOfDays(qint32 previousDays, const QString& order) {
    const bool allDepartments = GIntDepartmentID == 0;
    const QString bound =
        FormatDate(GDtProcessDate.addDays(-previousDays), QStringLiteral("yyyymmdd"));
    RegisterQuery query = RegisterQuery::Vouchers(GIntCompanyID);
    if (!GStrTableMain.isEmpty()) query.table = GStrTableMain;
    if (!allDepartments) {
        // A department's register has always been asked for in a select list of its own.
        query.select = QStringLiteral(
            " select phPaymentID, phPaymentNo,phPaymentdate,phPayee,phAmount,case phcancel when "
            "1 then 'Yes'  when 0 then 'No' end,case phposted when 1 then 'Yes' when 0 then 'No' "
            "end From ");
        query.conditions << QStringLiteral(" and phDepartmentID= ") +
                                QString::number(GIntDepartmentID);
    }
    query.conditions << QStringLiteral(" and phFinancialID = ") + QString::number(GIntFinancialID)
                     << QStringLiteral(" and phPaymentdate>='") + bound + u'\'';
    query.order = order;
    return query;
}

// A user holds only their own rights: nothing of an earlier register's user stays.
void FrmMaster::readRights() {
    GStrFunctionRights.clear();
    AdoRecordset rs;
    rs.Open(QStringLiteral("Select FunctionRights from auserrights where companyid = ") +
                QString::number(GIntCompanyID) + QStringLiteral(" and userid = ") +
                QString::number(GIntUserID) + QStringLiteral(" and interfaceid = ") +
                QString::number(GIntInterfaceID),
            GAdoCon, adOpenForwardOnly, adLockReadOnly);
    if (!rs.Eof()) GStrFunctionRights = Text(rs.Fields(0));
    rs.Close();
}

// --- keys and mouse -------------------------------------------------------

void FrmMaster::Form_KeyPress(int& keyAscii) {
    Handle("FrmMaster", "Form_KeyPress", [&] {
        if (keyAscii == 4) {
            flexMaster->setFocus();
        } else if (keyAscii == 10 && cmdNew->isEnabled()) {
            cmdNew_Click();
        }
    });
}

void FrmMaster::flexMaster_KeyPress(int& keyAscii) {
    Handle("FrmMaster", "flexMaster_KeyPress", [&] {
        if (keyAscii == 13 && CmdEdit->isEnabled()) CmdEdit_Click();
    });
}

void FrmMaster::flexMaster_DblClick() {
    Handle("FrmMaster", "flexMaster_DblClick", [&] {
        if (CmdEdit->isEnabled()) CmdEdit_Click();
    });
}

void FrmMaster::flexMaster_MouseMove() {
    Handle("FrmMaster", "flexMaster_MouseMove", [&] {
        const int row = flexMaster->mouseRow();
        const QString cell = flexMaster->textMatrix(row, flexMaster->mouseCol());
        const QString closed = row > 0 ? closedNoteOf(row) : QString();
        flexMaster->setToolTipText(
            closed.isEmpty() || cell.isEmpty() ? cell + closed : cell + QLatin1Char('\n') + closed);
    });
}

QString FrmMaster::closedNoteOf(int row) {
    const QString id = flexMaster->textMatrix(row, 0);
    if (id != closedNoteId_) {
        closedNoteId_ = id;
        closedNote_.clear();
        bool isId = false;
        const qint32 paymentId = id.toInt(&isId);
        try {
            if (isId)
                if (const auto covering = CashCount::CoveringCount(paymentId))
                    closedNote_ = CashCount::ClosedMessage(
                        flexMaster->textMatrix(row, RegisterColumn::kNumber), *covering);
        } catch (const ModuleError&) {
            // A tooltip is no place for a database fault; the commands report it.
            closedNoteId_.clear();
        }
    }
    return closedNote_;
}

// --- cell entry -----------------------------------------------------------

void FrmMaster::flexMaster_EnterCell() {
    Handle("FrmMaster", "flexMaster_EnterCell", [&] {
        followCancelPosting();
        const int row = flexMaster->row();
        if (flexMaster->textMatrix(row, 0).isEmpty() || flexMaster->textMatrix(row, 5) == u"Yes") {
            CmdDelete->setEnabled(false);
            return;
        }
        enableWriting(CmdDelete, HasRight(QStringLiteral("D")));
        const QDateTime date = ParseDate(flexMaster->textMatrix(row, 2));
        if (date.isValid() && IsDateFrozen(date)) CmdDelete->setEnabled(false);
    });
}

void FrmMaster::followCancelPosting() {
    const int row = flexMaster->row();
    enableWriting(cmdUpdate, !flexMaster->textMatrix(row, RegisterColumn::kKey).isEmpty() &&
                                 flexMaster->textMatrix(row, RegisterColumn::kCancelled) == u"No" &&
                                 flexMaster->textMatrix(row, RegisterColumn::kPosted) == u"Yes");
}

QString FrmMaster::currentVoucher() const {
    return flexMaster->textMatrix(flexMaster->row(), RegisterColumn::kKey);
}

bool FrmMaster::keepVoucherCurrent(const QString& key) {
    const int row = key.isEmpty() ? 0 : rows_->rowOf(key);
    if (row > 0) rows_->selectRow(row);
    flexMaster_EnterCell();
    flexMaster_SelChange();
    return row > 0;
}

void FrmMaster::showStoredRow(int row) {
    rows_->paintRow(row);
    flexMaster_EnterCell();
}

// --- a database that takes no writes --------------------------------------

void FrmMaster::enableWriting(QPushButton* command, bool allowed) {
    command->setEnabled(allowed && writeRefusal_.isEmpty());
}

// A database that only reads, or whose file was moved away since it was
// opened, shows as such: the commands that write stay disabled and say why.
void FrmMaster::showWriteRefusal() {
    writeRefusal_.clear();
    if (!GAdoCon.isSet()) return;
    const bool readOnly = GAdoCon->ReadOnly();
    writeRefusal_ = readOnly ? QStringLiteral(
                                   "The database is open for reading only: vouchers cannot be "
                                   "created or changed.")
                             : GAdoCon->StorageProblem();
    if (writeRefusal_.isEmpty()) return;
    for (QPushButton* b : {cmdNew, CmdEdit, CmdDelete, cmdUpdate}) {
        b->setEnabled(false);
        b->setToolTip(writeRefusal_);
    }
    // Read-only is how the database is; a file gone is news the user must hear.
    if (readOnly)
        setWindowTitle(windowTitle() + QStringLiteral(" (read-only)"));
    else
        ModuleMsgBox(writeRefusal_, vbExclamation);
}

bool FrmMaster::tellIfNotWritable() {
    const QString problem = writeRefusal_.isEmpty() ? GAdoCon->StorageProblem() : writeRefusal_;
    if (problem.isEmpty()) return true;
    ModuleMsgBox(problem, vbExclamation);
    return false;
}

// --- commands -------------------------------------------------------------

void FrmMaster::cmdClose_Click() {
    Handle("FrmMaster", "cmdClose_Click", [&] { Unload(); });
}

}  // namespace pcp
