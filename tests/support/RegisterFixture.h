#pragma once
// Opens the real register on the demo database and drives it as a user:
// clicks on cells, keys in the search box, picks in the combo boxes.

#include <QComboBox>
#include <QPushButton>
#include <QSqlDatabase>
#include <functional>
#include <memory>

#include "register/FrmMaster.h"
#include "tests/support/Fixtures.h"

namespace pcp::test {

class RegisterTest : public DemoDatabaseTest {
  protected:
    void TearDown() override;
    // The register as the user opens it (its load runs), shown and active.
    FrmMaster* open(int user = 1, int department = 0, int company = 1);
    void reopen(int user = 1, int department = 0, int company = 1);

    void clickRow(int row, int col = 1);
    void typeSearch(const QString& text);                        // a key at a time
    void searchAll(const QString& column, const QString& text);  // Search All + Enter
    void pickSort(const QString& caption);
    void pickSearchColumn(const QString& caption);

    QStringList column(int col) const;
    QStringList ids() const { return column(0); }

    FlexGrid* grid() const;
    QString cell(int r, int c) const;
    // The newest row matching the test, from the bottom of the grid; 0 for none.
    int rowWhere(const std::function<bool(int)>& test) const;
    std::unique_ptr<FrmMaster> window_;
};

}  // namespace pcp::test
