#include "FrmMaster.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "../core/BasModule.h"
#include "../core/ui/FlexGrid.h"
#include "../core/ui/Keys.h"
#include "../core/ui/Twips.h"

namespace pcp {

using namespace BasModule;

namespace {

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
    formLoad();
}

FrmMaster::~FrmMaster() = default;

void FrmMaster::buildControls() {
    setFixedSize(TwipsToPx(14400), TwipsToPx(8760));

    flexMaster = new FlexGrid(this);
    flexMaster->setObjectName(QStringLiteral("flexMaster"));
    QFont gridFont(QStringLiteral("Arial"));
    gridFont.setPointSizeF(8.25);
    flexMaster->setFont(gridFont);
    place(flexMaster, 0, 0, 14265, 7350);

    fraBrowse = new QGroupBox(QStringLiteral("Browse"), this);
    fraBrowse->setObjectName(QStringLiteral("fraBrowse"));
    place(fraBrowse, 60, 7440, 14265, 660);

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
    place(txtsearch, 5910, 210, 2595, 315);

    Picture1 = new QWidget(fraBrowse);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    place(Picture1, 8640, 210, 2405, 285);
    optAscend = new QRadioButton(QStringLiteral("&Ascending"), Picture1);
    optAscend->setObjectName(QStringLiteral("optAscend"));
    place(optAscend, 0, 0, 1050, 285);
    optAscend->setChecked(true);
    optDescend = new QRadioButton(QStringLiteral("D&escending"), Picture1);
    optDescend->setObjectName(QStringLiteral("optDescend"));
    place(optDescend, 1170, 0, 1320, 285);

    cboColNames = new QComboBox(fraBrowse);
    cboColNames->setObjectName(QStringLiteral("cboColNames"));
    place(cboColNames, 11055, 210, 3045, 315);

    cmdNew = button(this, "cmdNew", QStringLiteral("&New"), 60);
    CmdEdit = button(this, "CmdEdit", QStringLiteral("&Edit"), 1785);
    CmdDelete = button(this, "CmdDelete", QStringLiteral("&Delete"), 3495);
    cmdUpdate = button(this, "cmdUpdate", QStringLiteral("Cancel &Posting"), 5220);
    cmdUpdate->setEnabled(false);
    cmdPreview = button(this, "cmdPreview", QStringLiteral("&Preview"), 6960);
    cmdClose = button(this, "cmdClose", QStringLiteral("&Close"), 12645);
    setCancelButton(cmdClose);

    // Tab order as the window was designed.
    QWidget* order[] = {flexMaster, chkSearchAll, cboSearch, txtsearch, optAscend, optDescend, cboColNames,
                        cmdNew,     CmdEdit,      CmdDelete, cmdUpdate, cmdPreview, cmdClose};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
    keys_ = new KeyRouter(this);
    keys_->attach();
}

void FrmMaster::formLoad() {
    Handle("FrmMaster", "Form_Load ", [&] {
        GIntInterfaceID = kInterfaceId;
        setWindowTitle(QStringLiteral("Petty Cash Payments"));
        GStrTableMain = QStringLiteral("aHqPettyCashPaymentHeader");
        GFlexMaster = flexMaster;
    });
}

void FrmMaster::cmdClose_Click() {
    Handle("FrmMaster", "cmdClose_Click", [&] { Unload(); });
}

}  // namespace pcp
