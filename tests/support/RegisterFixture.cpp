#include "tests/support/RegisterFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include "ui/FlexGrid.h"

namespace pcp::test {

void RegisterTest::TearDown() {
    window_.reset();
    DemoDatabaseTest::TearDown();
}

FrmMaster* RegisterTest::open(int user, int department, int company) {
    setContext(company, user, department);
    window_ = std::make_unique<FrmMaster>();
    window_->show();
    window_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    QApplication::processEvents();
    return window_.get();
}

void RegisterTest::reopen(int user, int department, int company) {
    window_.reset();
    open(user, department, company);
}

FlexGrid* RegisterTest::grid() const {
    return window_->flexMaster;
}

QString RegisterTest::cell(int r, int c) const {
    return grid()->textMatrix(r, c);
}

int RegisterTest::rowWhere(const std::function<bool(int)>& test) const {
    for (int r = grid()->rows() - 1; r >= 1; --r)
        if (test(r)) return r;
    return 0;
}

void RegisterTest::clickRow(int row, int col) {
    FlexGrid* g = grid();
    g->syncView();
    const QModelIndex index = g->model()->index(row - g->fixedRows(), col);
    g->scrollTo(index);
    QApplication::processEvents();
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(index).center());
    QApplication::processEvents();
}

void RegisterTest::typeSearch(const QString& text) {
    window_->txtsearch->setFocus();
    QTest::keyClicks(window_->txtsearch, text);
    QApplication::processEvents();
}

void RegisterTest::searchAll(const QString& column, const QString& text) {
    pickSearchColumn(column);
    window_->chkSearchAll->setChecked(true);
    window_->txtsearch->setFocus();
    window_->txtsearch->setText(text);
    QTest::keyClick(window_->txtsearch, Qt::Key_Return);
    QApplication::processEvents();
}

void RegisterTest::pickSort(const QString& caption) {
    QComboBox* box = window_->cboColNames;
    const int i = box->findText(caption);
    ASSERT_GE(i, 0) << caption.toStdString();
    box->setCurrentIndex(i);
    emit box->activated(i);
    QApplication::processEvents();
}

void RegisterTest::pickSearchColumn(const QString& caption) {
    const int i = window_->cboSearch->findText(caption);
    ASSERT_GE(i, 0) << caption.toStdString();
    window_->cboSearch->setCurrentIndex(i);
}

QStringList RegisterTest::column(int col) const {
    QStringList out;
    for (int r = 1; r < grid()->rows(); ++r) out << grid()->textMatrix(r, col);
    return out;
}

}  // namespace pcp::test
