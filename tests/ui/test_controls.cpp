// The flex grid and list view the windows share: filling, reading back,
// sorting, colours and the selection, as the register and voucher window use
// them; and a field kept plain whatever way text comes into it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>

#include "tests/support/Fixtures.h"  // readable QString values
#include "ui/FlexGrid.h"
#include "ui/ListView.h"
#include "ui/PlainText.h"

using namespace pcp;

namespace {

QString rowText(const FlexGrid& g, int row) {
    QStringList cells;
    for (int c = 0; c < g.cols(); ++c) cells << g.textMatrix(row, c);
    return cells.join(QLatin1Char('|'));
}

QStringList column(const FlexGrid& g, int col) {
    QStringList out;
    for (int r = g.fixedRows(); r < g.rows(); ++r) out << g.textMatrix(r, col);
    return out;
}

// Columns under one header row, and a row added for each tab-separated text.
void fill(FlexGrid& g, int cols, const QStringList& rows) {
    g.setCols(cols);
    g.setRows(1);
    for (const QString& row : rows) g.addItem(row);
}

}  // namespace

TEST(FlexGrid, StartsWithOneHeaderRowAndFillsByAddItem) {
    FlexGrid g;
    fill(g, 3, {"7\tADM/7\t12/11/2026", "8\tADM/8"});  // fewer cells: the rest stay empty
    g.setTextMatrix(0, 0, QStringLiteral("PaymentID"));
    EXPECT_EQ(g.rows(), 3);
    EXPECT_EQ(rowText(g, 1), QStringLiteral("7|ADM/7|12/11/2026"));
    EXPECT_EQ(rowText(g, 2), QStringLiteral("8|ADM/8|"));
    EXPECT_EQ(g.textMatrix(0, 0), QStringLiteral("PaymentID"));
    g.syncView();
    EXPECT_EQ(g.model()->rowCount(), 2);
    EXPECT_EQ(g.model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("PaymentID"));
}

// Generic sorts take numbers by value, string sorts by text; a row's cells
// and colours move together.
TEST(FlexGrid, SortsGenericAsNumbersStringsAsTextAndKeepsRowsWhole) {
    FlexGrid g;
    fill(g, 2, {"40\tforty", "5\tfive", "300\tthree hundred", "abc\tletters"});
    g.setRow(2);
    g.setCol(1);
    g.setCellForeColor(0x0000FFu);
    g.setCol(0);
    g.setColSel(0);
    g.sort(flexSortGenericAscending);
    EXPECT_EQ(column(g, 0), (QStringList{"5", "40", "300", "abc"}));
    EXPECT_EQ(rowText(g, 1), QStringLiteral("5|five"));
    EXPECT_EQ(g.cellForeColorAt(1, 1), 0x0000FFu);
    EXPECT_EQ(g.cellForeColorAt(2, 1), 0u);
    g.sort(flexSortGenericDescending);
    EXPECT_EQ(column(g, 0), (QStringList{"abc", "300", "40", "5"}));
    g.sort(flexSortStringAscending);
    EXPECT_EQ(column(g, 0), (QStringList{"300", "40", "5", "abc"}));
    g.sort(flexSortStringDescending);
    EXPECT_EQ(column(g, 0), (QStringList{"abc", "5", "40", "300"}));
    EXPECT_EQ(column(g, 1), (QStringList{"letters", "five", "forty", "three hundred"}));
}

TEST(FlexGrid, OnlyTheUsersMovesRaiseCellEvents) {
    FlexGrid g;
    g.setCols(2);
    g.setRows(5);
    for (int r = 1; r < 5; ++r) g.setTextMatrix(r, 1, QString::number(r));
    int entered = 0;
    QObject::connect(&g, &FlexGrid::enterCell, [&] { ++entered; });
    g.show();
    QApplication::processEvents();
    g.setRow(3);
    g.syncView();
    QApplication::processEvents();
    EXPECT_EQ(entered, 0);
    g.setFocus();
    QTest::keyClick(&g, Qt::Key_Down);  // the user moves: one event
    EXPECT_EQ(g.row(), 4);
    EXPECT_EQ(entered, 1);
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {},
                      g.visualRect(g.model()->index(0, 1)).center());
    EXPECT_EQ(g.row(), 1);
    EXPECT_EQ(entered, 2);
}

TEST(ListView, ItemsSubItemsAndChecks) {
    ListView lv;
    lv.addColumn(QStringLiteral("Account"), 1500);
    lv.addColumn(QStringLiteral("Amount"), 1200, Qt::AlignRight);
    const int i = lv.add(QStringLiteral("201"));
    lv.setSubItem(i, 1, QStringLiteral("75.00"));
    EXPECT_EQ(i, 1);
    EXPECT_TRUE(lv.checked(1));
    lv.setChecked(1, false);
    EXPECT_FALSE(lv.checked(1));
    EXPECT_EQ(lv.itemText(1), QStringLiteral("201"));
    EXPECT_EQ(lv.columnValue(1, 2), QStringLiteral("75.00"));
    EXPECT_EQ(lv.selectedIndex(), 0);
    lv.add(QStringLiteral("202"));
    lv.setSelectedIndex(2);
    EXPECT_EQ(lv.selectedIndex(), 2);
    lv.remove(1);
    EXPECT_EQ(lv.count(), 1);
    EXPECT_EQ(lv.itemText(1), QStringLiteral("202"));
}

// Tabs and line breaks become spaces, other control characters go, however
// the text comes in; the cursor stays after what came in.
TEST(PlainEntry, AFieldKeptPlainTakesNoControlCharacters) {
    enum How { Typed, Committed, Pasted, Dropped, Set };
    struct Case {
        How how;
        QString before;
        int cursor;
        QString entered, after;
        int cursorAfter;
    };
    const QString nul = QString(QChar(0));
    for (const Case& c : std::initializer_list<Case>{
             {Typed, "ab", 1, "x y", "ax yb", 4},
             {Committed, "ab", 1, "x\ty", "ax yb", 4},  // an input method's commit
             {Pasted, "ab", 1, "x" + nul + "y", "axyb", 3},
             {Pasted, "", 0, "a\tb\nc\rd\x1f", "a b c d", 7},
             {Pasted, "end", 0, "\x01\x02", "end", 0},
             {Dropped, "ab", 2, "c" + nul + "\nd", "abc d", 5},
             {Set, "", 0, "x\ty" + nul, "x y", 3}}) {
        QLineEdit edit;
        KeepEntryTextPlain(&edit);
        edit.setText(c.before);
        edit.setCursorPosition(c.cursor);
        if (c.how == Typed) QTest::keyClicks(&edit, c.entered);
        if (c.how == Committed) {
            QInputMethodEvent commit;
            commit.setCommitString(c.entered);
            QApplication::sendEvent(&edit, &commit);
        }
        if (c.how == Pasted) {
            QGuiApplication::clipboard()->setText(c.entered);
            QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
        }
        if (c.how == Dropped) {  // at the end of the text
            edit.resize(300, 30);
            QMimeData data;
            data.setText(c.entered);
            QDragEnterEvent enter(QPoint(290, 15), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&edit, &enter);
            QDropEvent drop(QPointF(290, 15), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&edit, &drop);
        }
        if (c.how == Set) edit.setText(c.entered);
        EXPECT_EQ(edit.text(), c.after) << c.entered.toStdString();
        EXPECT_EQ(edit.cursorPosition(), c.cursorAfter) << c.entered.toStdString();
    }
}
