// Spreadsheet exports as an accountant opens them: the bytes of the CSV file
// and the cells, styles and sheet settings of the XLSX file, with payees
// that a spreadsheet would run as formulas; and a file that appears whole or
// not at all when the folder refuses it or the export is cancelled.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <map>

#include "data/Values.h"
#include "report/TableExport.h"
#include "tests/support/Fixtures.h"

using namespace pcp;
using namespace pcp::test;

namespace {

const QString kHyperlink = QStringLiteral("=HYPERLINK(\"http://x\",\"y\")");
const QString kUnicode = QStringLiteral("Café Ünïcode ☕");
const QStringList kPayees = {kHyperlink, "+1",          "-2",           "@SUM(A1)",
                             "'quoted",  "<b>bold</b>", "a,b \"c\"\nd", kUnicode};
const char* const kAmounts[] = {"12.5", "0.005", "-7.25", "1234567.891",
                                "0.1",  "20",    "0.3",   "99.99"};
const char* const kRates[] = {"1.25", nullptr, "1", "0.000001", "3.75", "1", "1", "1"};
const qint64 kLines[] = {3, 1, 2, 1, 1, 1, 1, 1};

Decimal dec(const char* text) {
    return *Decimal::parse(QString::fromLatin1(text));
}

// Eight payments, the second and the last cancelled (red), and their total.
struct Payments {
    RowSet rows;
    ExportTable table;

    explicit Payments(int count = 8) {
        table.title = "Payments by account: [03/2026] *all* departments?";
        table.heading = {"Company 1, head office", "=Filter: all"};
        table.captions = {"Date", "Voucher", "Payee", "Amount", "Rate", "Lines"};
        table.patterns = {"", "", "", "0.00#", "0.000000", ""};
        rows.setColumns(table.captions);
        for (int i = 0; i < count; ++i) {
            const int k = i % 8;
            rows.beginRow();
            if (k == 5)
                rows.addNull(0);
            else
                rows.addDate(
                    0, MakeDate(2026, 3, k + 1, k == 1 ? 14 : 0, k == 1 ? 30 : 0, k == 1 ? 5 : 0));
            rows.addText(1, QStringLiteral("OPS/%1").arg(i + 1));
            rows.addText(2, kPayees[k]);
            rows.addDecimal(3, dec(kAmounts[k]));
            kRates[k] ? rows.addDecimal(4, dec(kRates[k])) : rows.addNull(4);
            rows.addInteger(5, kLines[k]);
            table.red.push_back(k == 1 || k == 7);
        }
        table.rows = &rows;
        table.foot.setColumns(table.captions);
        table.foot.beginRow();
        table.foot.addNull(0);
        table.foot.addNull(1);
        table.foot.addText(2, "Total");
        table.foot.addDecimal(3, dec("1234693.536"));
        table.foot.addNull(4);
        table.foot.addInteger(5, 11);
    }
};

// The records of RFC 4180 text, quoted fields unquoted.
std::vector<QStringList> readCsv(const QString& text) {
    std::vector<QStringList> records{{QString()}};
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        QString& field = records.back().last();
        if (quoted && c == u'"' && text.mid(i, 2) == u"\"\"")
            field += c, ++i;
        else if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u',')
            records.back() << QString();
        else if (!quoted && text.mid(i, 2) == u"\r\n")
            records.push_back({QString()}), ++i;
        else
            field += c;
    }
    records.pop_back();  // after the last line end
    return records;
}

QByteArray unzipped(const QString& file, const QString& member) {
    QProcess unzip;
    unzip.start("unzip", {"-p", file, member});
    EXPECT_TRUE(unzip.waitForFinished(20000)) << "unzip is needed";
    return unzip.readAllStandardOutput();
}

struct Cell {
    QString type, value, text;
    int style = 0;
};

// The sheet's cells by reference, texts resolved; a formula fails the test.
std::map<QString, Cell> sheetCells(const QString& file) {
    QStringList shared;
    QXmlStreamReader strings(unzipped(file, "xl/sharedStrings.xml"));
    while (!strings.atEnd()) {
        if (strings.readNext() != QXmlStreamReader::StartElement) continue;
        if (strings.name() == u"si") shared << QString();
        if (strings.name() == u"t" && !shared.isEmpty()) shared.last() += strings.readElementText();
    }
    std::map<QString, Cell> cells;
    QXmlStreamReader xml(unzipped(file, "xl/worksheets/sheet1.xml"));
    QString ref;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == u"c") {
            ref = xml.attributes().value("r").toString();
            cells[ref].type = xml.attributes().value("t").toString();
            cells[ref].style = xml.attributes().value("s").toInt();
        } else if (xml.name() == u"v") {
            cells[ref].value = xml.readElementText();
            if (cells[ref].type == u"s") cells[ref].text = shared.value(cells[ref].value.toInt());
        } else if (xml.name() == u"t") {
            cells[ref].text += xml.readElementText();
        } else if (xml.name() == u"f") {
            ADD_FAILURE() << "a formula in " << ref.toStdString();
        }
    }
    return cells;
}

struct Style {
    QString numberFormat;
    bool red = false, bold = false;
};

// The cell styles (cellXfs) with their number formats and fonts.
std::vector<Style> cellStyles(const QString& file) {
    std::map<int, QString> formats;
    std::vector<Style> fonts, styles;
    QString section;
    QXmlStreamReader xml(unzipped(file, "xl/styles.xml"));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (QStringList{"fonts", "fills", "borders", "cellStyleXfs", "cellXfs", "dxfs"}.contains(
                xml.name()))
            section = xml.name().toString();
        else if (xml.name() == u"numFmt")
            formats[a.value("numFmtId").toInt()] = a.value("formatCode").toString();
        else if (section == u"fonts" && xml.name() == u"font")
            fonts.emplace_back();
        else if (section == u"fonts" && xml.name() == u"b")
            fonts.back().bold = true;
        else if (section == u"fonts" && xml.name() == u"color")
            fonts.back().red = a.value("rgb") == u"FFFF0000";
        else if (section == u"cellXfs" && xml.name() == u"xf") {
            styles.push_back(fonts.at(a.value("fontId").toUInt()));
            styles.back().numberFormat = formats[a.value("numFmtId").toInt()];
        }
    }
    return styles;
}

using Writer = ExportOutcome (*)(const ExportTable&, const QString&, const ExportProgress&);
const std::pair<Writer, const char*> kWriters[] = {{WriteCsv, "csv"}, {WriteXlsx, "xlsx"}};

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

}  // namespace

TEST(TableExport, CsvIsTheTableAsTextWithFormulasDisarmed) {
    QTemporaryDir dir;
    const QString path = dir.filePath("payments.csv");
    Payments payments;
    ASSERT_EQ(WriteCsv(payments.table, path).result, ExportResult::Written);
    const QByteArray bytes = FileContents(path);
    EXPECT_EQ(bytes.toStdString(),
              "\xEF\xBB\xBF"
              "Payments by account: [03/2026] *all* departments?\r\n"
              "\"Company 1, head office\"\r\n"
              "'=Filter: all\r\n"
              "\r\n"
              "Date,Voucher,Payee,Amount,Rate,Lines\r\n"
              "2026-03-01,OPS/1,\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\",12.50,1.250000,3\r\n"
              "2026-03-02 14:30:05,OPS/2,'+1,0.005,,1\r\n"
              "2026-03-03,OPS/3,'-2,-7.25,1.000000,2\r\n"
              "2026-03-04,OPS/4,'@SUM(A1),1234567.891,0.000001,1\r\n"
              "2026-03-05,OPS/5,'quoted,0.10,3.750000,1\r\n"
              ",OPS/6,<b>bold</b>,20.00,1.000000,1\r\n"
              "2026-03-07,OPS/7,\"a,b \"\"c\"\"\nd\",0.30,1.000000,1\r\n"
              "2026-03-08,OPS/8,Café Ünïcode ☕,99.99,1.000000,1\r\n"
              ",,Total,1234693.536,,11\r\n");

    const std::vector<QStringList> records = readCsv(QString::fromUtf8(bytes.mid(3)));
    ASSERT_EQ(records.size(), 14u);
    EXPECT_EQ(records[2], QStringList{"'=Filter: all"});
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(records[size_t(5 + i)].size(), 6) << i;
        const bool guarded = i < 4;  // = + - @
        EXPECT_EQ(records[size_t(5 + i)][2], (guarded ? "'" : "") + kPayees[i]);
    }
    EXPECT_EQ(records[13], (QStringList{"", "", "Total", "1234693.536", "", "11"}));
}

TEST(TableExport, XlsxKeepsTextsAsStringsDatesAsDatesAndAmountsExact) {
    QTemporaryDir dir;
    const QString path = dir.filePath("payments.xlsx");
    Payments payments;
    const ExportOutcome outcome = WriteXlsx(payments.table, path);
    ASSERT_EQ(outcome.result, ExportResult::Written) << outcome.message.toStdString();
    std::map<QString, Cell> cells = sheetCells(path);
    const std::vector<Style> styles = cellStyles(path);
    const auto style = [&](const QString& ref) { return styles.at(size_t(cells[ref].style)); };
    const auto isText = [&](const QString& ref) {
        return cells[ref].type == u"inlineStr" || cells[ref].type == u"s";
    };

    EXPECT_TRUE(unzipped(path, "xl/workbook.xml")
                    .contains("<sheet name=\"Payments by account 032026 all\""));
    EXPECT_EQ(cells["A1"].text, payments.table.title);
    EXPECT_TRUE(style("A1").bold);
    EXPECT_EQ(cells["A3"].text, "=Filter: all");  // a string: no apostrophe needed
    EXPECT_EQ(cells.count("A4"), 0u);
    for (const char* ref : {"A5", "C5", "F5"}) EXPECT_TRUE(style(ref).bold) << ref;
    for (int i = 0; i < 8; ++i) {
        const QString ref = QString("C%1").arg(6 + i);
        EXPECT_TRUE(isText(ref)) << ref.toStdString();
        EXPECT_EQ(cells[ref].text, kPayees[i]);
    }

    // Dates are serial days in a date format; the day without a date is no cell.
    EXPECT_EQ(cells["A6"].value, "46082");
    EXPECT_EQ(style("A6").numberFormat, "dd/mm/yyyy");
    EXPECT_NEAR(cells["A7"].value.toDouble(), 46083 + (14 * 3600 + 30 * 60 + 5) / 86400.0, 1e-9);
    EXPECT_EQ(style("A7").numberFormat, "dd/mm/yyyy hh:mm:ss");
    EXPECT_EQ(cells.count("A11"), 0u);
    // Amounts and rates are numbers shown at their places, integers numbers.
    const std::pair<const char*, const char*> numbers[] = {
        {"D6", "12.5"}, {"D7", "0.005"},       {"D8", "-7.25"}, {"D9", "1234567.891"},
        {"D10", "0.1"}, {"D12", "0.3"},        {"E6", "1.25"},  {"E9", "1E-06"},
        {"F6", "3"},    {"D14", "1234693.536"}};
    for (const auto& [ref, value] : numbers) {
        EXPECT_EQ(cells[ref].type, "") << ref;
        EXPECT_EQ(cells[ref].value, value) << ref;
    }
    EXPECT_EQ(cells.count("E7"), 0u);
    EXPECT_EQ(style("D6").numberFormat, "#,##0.00#");
    EXPECT_EQ(style("E6").numberFormat, "#,##0.000000");
    // Cancelled rows in red, in the same formats; the total in bold.
    for (const char* ref : {"A7", "C7", "D7", "F7", "C13", "D13"})
        EXPECT_TRUE(style(ref).red) << ref;
    for (const char* ref : {"A6", "C6", "D6", "F6", "C12"}) EXPECT_FALSE(style(ref).red) << ref;
    EXPECT_EQ(style("D7").numberFormat, "#,##0.00#");
    EXPECT_EQ(style("A13").numberFormat, "dd/mm/yyyy");
    EXPECT_TRUE(style("C14").bold);
    EXPECT_TRUE(style("D14").bold);
    EXPECT_EQ(style("D14").numberFormat, "#,##0.00#");
    EXPECT_FALSE(style("D6").bold);

    // The captions stay in sight and filter the rows; the payee column fits its texts.
    const QString sheet = QString::fromUtf8(unzipped(path, "xl/worksheets/sheet1.xml"));
    EXPECT_TRUE(sheet.contains(QRegularExpression("<pane ySplit=\"5\"[^>]*state=\"frozen\"")));
    EXPECT_TRUE(sheet.contains("<autoFilter ref=\"A5:F13\"/>"));
    const QRegularExpressionMatch payee =
        QRegularExpression("<col min=\"3\" max=\"3\" width=\"([0-9.]+)\"").match(sheet);
    ASSERT_TRUE(payee.hasMatch());
    EXPECT_GE(payee.captured(1).toDouble(), kHyperlink.size());
    EXPECT_LE(payee.captured(1).toDouble(), 61);
}

TEST(TableExport, AFolderThatRefusesTheFileFailsNamingItAndLeavesNothing) {
    QTemporaryDir dir;
    QFile plain(dir.filePath("plain.txt"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.csv") && QDir(dir.path()).mkdir("taken.xlsx"));
    Payments payments;
    for (const auto& [write, ext] : kWriters) {
        for (const QString& folder : {dir.filePath("missing"), dir.filePath("plain.txt")}) {
            const QString path = folder + "/payments." + ext;
            const ExportOutcome outcome = write(payments.table, path, {});
            EXPECT_EQ(outcome.result, ExportResult::Failed) << path.toStdString();
            EXPECT_TRUE(outcome.message.startsWith(QString("The file '%1' could not be written: ")
                                                       .arg(QDir::toNativeSeparators(path))))
                << outcome.message.toStdString();
        }
        const QString taken = dir.filePath(QString("taken.") + ext);
        const ExportOutcome outcome = write(payments.table, taken, {});
        EXPECT_EQ(outcome.result, ExportResult::Failed);
        EXPECT_TRUE(outcome.message.contains(QDir::toNativeSeparators(taken)));
        EXPECT_TRUE(QFileInfo(taken).isDir());
    }
    EXPECT_EQ(filesIn(dir.path()), (QStringList{"plain.txt", "taken.csv", "taken.xlsx"}));
    EXPECT_EQ(QFileInfo(dir.filePath("plain.txt")).size(), 0);
}

TEST(TableExport, AReadOnlyFolderFailsAndKeepsTheFileThere) {
    if (RerunWithoutPermissionOverride()) return;  // a locked folder does not stop root
    QTemporaryDir dir;
    for (const auto& [write, ext] : kWriters) {
        const QString path = dir.filePath(QString("payments.") + ext);
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        const ExportOutcome outcome = write(Payments().table, path, {});
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(outcome.result, ExportResult::Failed);
        EXPECT_EQ(outcome.message, QString("The file '%1' could not be written: Permission denied")
                                       .arg(QDir::toNativeSeparators(path)));
        EXPECT_EQ(FileContents(path), "old");
    }
    EXPECT_EQ(filesIn(dir.path()), (QStringList{"payments.csv", "payments.xlsx"}));
}

TEST(TableExport, ACancelledExportLeavesTheOldFileAndNoTemporary) {
    QTemporaryDir dir;
    Payments payments(1200);
    for (const auto& [write, ext] : kWriters) {
        const QString path = dir.filePath(QString("payments.") + ext);
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        std::vector<int> told;
        const ExportOutcome cancelled = write(payments.table, path, [&](int rowsDone) {
            told.push_back(rowsDone);
            return rowsDone < 1000;
        });
        EXPECT_EQ(cancelled.result, ExportResult::Cancelled) << ext;
        EXPECT_EQ(told, (std::vector<int>{500, 1000})) << ext;
        EXPECT_EQ(FileContents(path), "old") << ext;
        EXPECT_EQ(filesIn(dir.path()).size(), ext == std::string("csv") ? 1 : 2) << ext;

        EXPECT_EQ(write(payments.table, path, [](int) { return true; }).result,
                  ExportResult::Written);
        if (ext == std::string("csv")) EXPECT_EQ(FileContents(path).count("\r\n"), 1206);
    }
    EXPECT_EQ(filesIn(dir.path()), (QStringList{"payments.csv", "payments.xlsx"}));
    EXPECT_EQ(sheetCells(dir.filePath("payments.xlsx"))["C1205"].text, kPayees[1199 % 8]);
}
