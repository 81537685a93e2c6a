// The flex grid and list view the windows share: filling, reading back,
// sorting, colours and the selection, as the register and voucher window use
// them; a field kept plain whatever way text comes into it; a date typed
// whole and an amount box, as a user types, pastes and drops into them.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>

#include "data/EnteredAmount.h"
#include "tests/support/Fixtures.h"  // readable QString values
#include "ui/AmountEntry.h"
#include "ui/DateTyping.h"
#include "ui/FlexGrid.h"
#include "ui/Keys.h"
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

// Keys typed over 20/11/2026 from its day, month or year part ("^" Shift
// pressed alone; "\b" Backspace), the key that ends the typing, and the date
// taken (none: refused and told, the date kept), in a date field as a window
// has it: Enter moves on by the window's key-up.
TEST(DateTyping, ATypedDateIsTakenWholeOrRefusedWithTheReason) {
    using S = QDateTimeEdit;
    const std::tuple<S::Section, const char*, Qt::Key, const char*> cases[] = {
        {S::DaySection, "05122026", Qt::Key_Tab, "05/12/2026"},
        {S::DaySection, "5-12-2026", Qt::Key_Return, "05/12/2026"},
        {S::MonthSection, "15^/02^/2027\b6", Qt::Key_Return, "15/02/2026"},
        {S::DaySection, "7", Qt::Key_Tab, "07/11/2026"},  // the day alone
        {S::MonthSection, "3", Qt::Key_Down, "20/03/2026"},
        {S::YearSection, "2025", Qt::Key_Up, "20/11/2025"},
        {S::DaySection, "01/12/2026", Qt::Key_Backtab, "01/12/2026"},
        {S::DaySection, "31", Qt::Key_Tab, nullptr},  // November has 30 days
        {S::YearSection, "31/02/2026", Qt::Key_Return, nullptr},
    };
    QWidget form;
    auto* date = new QDateEdit(&form);
    new QLineEdit(&form);  // the field after it
    date->setDisplayFormat("dd/MM/yyyy");
    date->setCalendarPopup(true);
    auto* keys = new KeyRouter(&form);
    keys->on(date, {.keyUp = [](int& k, int) { EnterToTabKey(k); }});
    keys->attach();
    QStringList told;
    auto* typing = new WholeDateTyping(date, [&](const QString& text) { told << text; });
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    const QString noDate = " is not a date. Type it as dd/mm/yyyy, for example 15/02/2026.";
    for (const auto& [part, typed, end, taken] : cases) {
        SCOPED_TRACE(typed);
        told.clear();
        date->setDate({2026, 11, 20});
        date->setFocus();
        date->setCurrentSection(part);
        for (const char* k = typed; *k; ++k)
            *k == '^' ? QTest::keyClick(date, Qt::Key_Shift) : QTest::keyClicks(date, QString(*k));
        QTest::keyClick(date, end);
        QApplication::processEvents();  // the Tab that Enter sends
        EXPECT_EQ(date->text(), QString(taken ? taken : "20/11/2026"));
        EXPECT_EQ(told, taken ? QStringList() : QStringList{typed + noDate});
        // Tab or Enter moves on once the date is in; Up or Down only takes it.
        EXPECT_EQ(QApplication::focusWidget() == date,
                  !taken || end == Qt::Key_Up || end == Qt::Key_Down);
    }
    // The calendar opens on the date shown and drops the typing.
    QTest::keyClicks(date, "31/02");
    QTest::mouseClick(date, Qt::LeftButton, {}, QPoint(date->width() - 4, date->height() / 2));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(typing->takePending());
}

// Typed ("\b" Backspace), pasted through the clipboard or dropped into an
// amount box holding `before` with the cursor at `at` (-1: all selected): what
// the box shows then, and whether the rule is told.
TEST(AmountEntry, AmountsTypedPastedOrDroppedFollowTheRuleOrChangeNothing) {
    enum How { Typed, Pasted, Dropped };
    for (const auto& [how, before, at, entered, after, tells] :
         std::initializer_list<std::tuple<How, QString, int, QString, QString, bool>>{
             {Pasted, "9", -1, "1,234.50\n", "1,234.50", false},  // as a spreadsheet copies it
             {Pasted, "1234.5", -1, "-5", "1234.5", true},
             {Pasted, "1,234", 5, "5", "1,234", true},    // a group of four
             {Pasted, "", 0, "1234567890123", "", true},  // thirteen whole digits
             {Dropped, "", 0, "-99", "", true},
             {Dropped, "12", 0, "3.5", "123.5", false},           // where it is dropped
             {Typed, "1,234,567", 4, "\b9", "1,294,567", false},  // a group a deletion broke
             {Typed, "", 0, "-1234567890123", "123456789012", false}}) {
        SCOPED_TRACE(entered.toStdString());
        QStringList told;
        QLineEdit box(before);
        new AmountEntry(&box, [&](const QString& text) { told << text; });
        at < 0 ? box.selectAll() : box.setCursorPosition(at);
        if (how == Typed) QTest::keyClicks(&box, entered);
        QGuiApplication::clipboard()->setText(entered);
        if (how == Pasted) QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
        QMimeData data;
        data.setText(entered);
        QDragEnterEvent enter(QPoint(290, 15), Qt::CopyAction, &data, Qt::LeftButton, {});
        QDropEvent drop(QPointF(290, 15), Qt::CopyAction, &data, Qt::LeftButton, {});
        if (how == Dropped) QApplication::sendEvent(&box, &enter);
        if (how == Dropped) QApplication::sendEvent(&box, &drop);
        EXPECT_EQ(box.text(), after);
        EXPECT_EQ(told, tells ? QStringList{EnteredAmountRule()} : QStringList());
    }
}
