#include "report/ReportDefinition.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

#include "report/ReportError.h"

namespace pcp {

namespace {

bool isIdentifier(const QString& s) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return re.match(s).hasMatch();
}

const std::map<QString, ReportBand::Kind>& bandNames() {
    static const std::map<QString, ReportBand::Kind> names{
        {QStringLiteral("page-header"), ReportBand::PageHeader},
        {QStringLiteral("report-header"), ReportBand::ReportHeader},
        {QStringLiteral("column-header"), ReportBand::ColumnHeader},
        {QStringLiteral("detail"), ReportBand::Detail},
        {QStringLiteral("report-footer"), ReportBand::ReportFooter},
        {QStringLiteral("page-footer"), ReportBand::PageFooter},
        {QStringLiteral("overlay"), ReportBand::Overlay}};
    return names;
}

// Reads the XML of one definition; every fault names its line.
class DefinitionReader {
  public:
    DefinitionReader(const QByteArray& xml, const QString& file) : xml_(xml) { def_.file = file; }

    ReportDefinition read() {
        // One root element; the reader is not asked past it.
        if (!xml_.readNextStartElement())
            fail(xml_.hasError() ? xml_.errorString()
                                 : QStringLiteral("there is no <report> element"));
        if (xml_.name() != u"report") fail(QStringLiteral("the root element must be <report>"));
        readReport();
        if (xml_.hasError()) fail(xml_.errorString());
        checkNames();
        return def_;
    }

  private:
    [[noreturn]] void fail(const QString& what, qint64 line = -1) const {
        raiseReport(kErrReportDefinition,
                    QStringLiteral("The report definition %1 cannot be read: line %2: %3")
                        .arg(def_.file)
                        .arg(line < 0 ? xml_.lineNumber() : line)
                        .arg(what.endsWith(u'.') ? what : what + u'.'));
    }

    QString tag() const { return u'<' + xml_.name().toString() + u'>'; }

    void allowOnly(std::initializer_list<const char*> names) {
        for (const QXmlStreamAttribute& a : xml_.attributes()) {
            bool known = false;
            for (const char* n : names) known = known || a.name() == QLatin1String(n);
            if (!known)
                fail(QStringLiteral("%1 has no attribute \"%2\"").arg(tag(), a.name().toString()));
        }
    }

    QString text(const char* name, const QString& fallback = QString()) const {
        const QXmlStreamAttributes a = xml_.attributes();
        return a.hasAttribute(QLatin1String(name))
                   ? a.value(QLatin1String(name)).toString().trimmed()
                   : fallback;
    }

    QString required(const char* name) const {
        const QString v = text(name);
        if (v.isEmpty())
            fail(QStringLiteral("%1 needs the attribute \"%2\"").arg(tag(), QLatin1String(name)));
        return v;
    }

    QString identifier(const char* name) const {
        const QString v = required(name);
        if (!isIdentifier(v)) fail(QStringLiteral("\"%1\" is not a name").arg(v));
        return v;
    }

    double number(const char* name, double fallback, bool* toBottom = nullptr) const {
        const QString v = text(name);
        if (v.isEmpty()) return fallback;
        if (toBottom && v == u"*") {
            *toBottom = true;
            return 0;
        }
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok || d < -10000 || d > 10000)
            fail(QStringLiteral("%1=\"%2\" is not a number").arg(QLatin1String(name), v));
        return d;
    }

    bool flag(const char* name, bool fallback) const {
        const QString v = text(name).toLower();
        if (v.isEmpty()) return fallback;
        if (v == u"true" || v == u"yes" || v == u"1") return true;
        if (v == u"false" || v == u"no" || v == u"0") return false;
        fail(QStringLiteral("%1=\"%2\" is neither true nor false").arg(QLatin1String(name), v));
    }

    QColor color(const char* name, const QColor& fallback) const {
        const QString v = text(name);
        if (v.isEmpty()) return fallback;
        const QColor c(v);
        if (!c.isValid())
            fail(QStringLiteral("%1=\"%2\" is not a colour").arg(QLatin1String(name), v));
        return c;
    }

    ReportFormula formula(const QString& source) const {
        try {
            return ReportFormula::parse(source);
        } catch (const ModuleError& e) {
            fail(e.description().chopped(e.description().endsWith(u'.') ? 1 : 0));
        }
    }

    void readReport() {
        allowOnly({"name", "version"});
        def_.name = text("name");
        if (const QString v = text("version", QStringLiteral("1")); v != u"1")
            fail(QStringLiteral("version %1 is not known; this engine reads version 1").arg(v));
        while (xml_.readNextStartElement()) {
            const QString n = xml_.name().toString();
            if (n == u"page")
                readPage();
            else if (n == u"data")
                readData();
            else if (n == u"parameter")
                readParameter();
            else if (n == u"formula")
                readFormula();
            else if (bandNames().count(n))
                readBand(bandNames().at(n));
            else
                fail(QStringLiteral("%1 is not an element of a report").arg(tag()));
        }
        if (def_.view.isEmpty()) fail(QStringLiteral("the report has no <data> element"));
    }

    void readPage() {
        allowOnly({"size", "orientation", "margins", "font", "font-size", "language"});
        def_.pageSize = pageSize(text("size", QStringLiteral("A4")));
        const QString o = text("orientation", QStringLiteral("portrait")).toLower();
        if (o != u"portrait" && o != u"landscape")
            fail(QStringLiteral("orientation=\"%1\" is neither portrait nor landscape").arg(o));
        def_.orientation = o == u"landscape" ? QPageLayout::Landscape : QPageLayout::Portrait;
        def_.margins = margins(text("margins", QStringLiteral("10")));
        def_.font = text("font", def_.font);
        def_.fontSize = number("font-size", def_.fontSize);
        def_.language = text("language", def_.language);
        xml_.skipCurrentElement();
    }

    QPageSize pageSize(const QString& v) const {
        static const std::map<QString, QPageSize::PageSizeId> named{
            {QStringLiteral("a3"), QPageSize::A3},
            {QStringLiteral("a4"), QPageSize::A4},
            {QStringLiteral("a5"), QPageSize::A5},
            {QStringLiteral("a6"), QPageSize::A6},
            {QStringLiteral("b5"), QPageSize::B5},
            {QStringLiteral("letter"), QPageSize::Letter},
            {QStringLiteral("legal"), QPageSize::Legal}};
        if (const auto it = named.find(v.toLower()); it != named.end())
            return QPageSize(it->second);
        const QStringList wh = v.split(u'x');
        bool okW = false, okH = false;
        const double w = wh.value(0).toDouble(&okW), h = wh.value(1).toDouble(&okH);
        if (wh.size() != 2 || !okW || !okH || w < 20 || h < 20)
            fail(QStringLiteral(
                     "size=\"%1\" is neither a paper name nor WIDTHxHEIGHT in millimetres")
                     .arg(v));
        return QPageSize(QSizeF(w, h), QPageSize::Millimeter);
    }

    QMarginsF margins(const QString& v) const {
        QList<double> m;
        for (const QString& part : v.split(u' ', Qt::SkipEmptyParts)) {
            bool ok = false;
            m << part.toDouble(&ok);
            if (!ok || m.back() < 0)
                fail(QStringLiteral("margins=\"%1\" are not millimetres").arg(v));
        }
        if (m.size() == 1) return {m[0], m[0], m[0], m[0]};
        if (m.size() == 4) return {m[0], m[1], m[2], m[3]};
        fail(QStringLiteral("margins=\"%1\" must be one value or four (left top right bottom)")
                 .arg(v));
    }

    void readData() {
        allowOnly({"view", "company-field", "order"});
        def_.view = identifier("view");
        if (!text("company-field").isEmpty()) def_.companyField = identifier("company-field");
        for (const QString& c : text("order").split(u',', Qt::SkipEmptyParts)) {
            if (!isIdentifier(c.trimmed()))
                fail(QStringLiteral("\"%1\" is not a column name").arg(c));
            def_.order << c.trimmed();
        }
        xml_.skipCurrentElement();
    }

    void readParameter() {
        allowOnly({"name"});
        def_.parameters << identifier("name");
        xml_.skipCurrentElement();
    }

    void readFormula() {
        allowOnly({"name"});
        const QString name = identifier("name");
        const qint64 line = xml_.lineNumber();
        const ReportFormula f = formula(xml_.readElementText().simplified());
        if (f.isEmpty()) fail(QStringLiteral("the formula %1 is empty").arg(name), line);
        def_.formulas[name.toLower()] = f;
        formulaLines_[name.toLower()] = int(line);
    }

    void readBand(ReportBand::Kind kind) {
        allowOnly({"height", "when"});
        ReportBand& band = def_.sections[kind].emplace_back();
        band.kind = kind;
        band.line = int(xml_.lineNumber());
        band.height = number("height", 0);
        band.when = formula(text("when"));
        while (xml_.readNextStartElement()) band.elements.push_back(readElement());
    }

    ReportElement readElement() {
        ReportElement e;
        e.line = int(xml_.lineNumber());
        const QString n = xml_.name().toString();
        if (n == u"text") {
            allowOnly({"x",       "y",       "w",
                       "h",       "align",   "valign",
                       "font",    "size",    "letter-spacing",
                       "bold",    "italic",  "color",
                       "fill",    "border",  "wrap",
                       "grow",    "shrink",  "rotate",
                       "opacity", "padding", "when"});
            e.kind = ReportElement::Text;
        } else if (n == u"line") {
            allowOnly({"x1", "y1", "x2", "y2", "width", "color", "style", "when"});
            e.kind = ReportElement::Line;
        } else if (n == u"box") {
            allowOnly({"x", "y", "w", "h", "width", "color", "fill", "style", "when"});
            e.kind = ReportElement::Box;
        } else {
            fail(QStringLiteral("%1 is not an element of a band").arg(tag()));
        }
        e.when = formula(text("when"));
        e.color = color("color", Qt::black);
        e.style = penStyle(text("style", QStringLiteral("solid")));
        if (e.kind == ReportElement::Line) {
            e.x = number("x1", 0);
            e.y = number("y1", 0, &e.yToBottom);
            e.x2 = number("x2", 0);
            e.y2 = number("y2", 0, &e.y2ToBottom);
            e.stroke = number("width", 0.2);
            xml_.skipCurrentElement();
            return e;
        }
        e.x = number("x", 0);
        e.y = number("y", 0);
        e.w = number("w", 0);
        e.h = number("h", 0, &e.hToBottom);
        if (e.w <= 0) fail(QStringLiteral("%1 needs a width w greater than 0").arg(tag()));
        e.fill = color("fill", QColor());
        if (e.kind == ReportElement::Box) {
            e.stroke = number("width", 0.2);
            xml_.skipCurrentElement();
            return e;
        }
        readTextStyle(e);
        e.text = parseTemplate(xml_.readElementText().simplified(), e.line);
        return e;
    }

    void readTextStyle(ReportElement& e) {
        e.align =
            alignment(text("align", QStringLiteral("left")), text("valign", QStringLiteral("top")));
        e.font = text("font");
        e.size = number("size", 0);
        e.spacing = number("letter-spacing", 0);
        e.bold = flag("bold", false);
        e.italic = flag("italic", false);
        e.stroke = number("border", 0);
        e.wrap = flag("wrap", false);
        e.grow = flag("grow", false);
        if (e.grow) e.wrap = true;
        e.shrink = flag("shrink", false);
        e.rotate = number("rotate", 0);
        e.opacity = number("opacity", 1);
        e.padding = number("padding", 0);
    }

    Qt::Alignment alignment(const QString& h, const QString& v) const {
        Qt::Alignment a;
        if (h == u"left")
            a = Qt::AlignLeft;
        else if (h == u"center")
            a = Qt::AlignHCenter;
        else if (h == u"right")
            a = Qt::AlignRight;
        else if (h == u"justify")
            a = Qt::AlignJustify;
        else
            fail(QStringLiteral("align=\"%1\" is not left, center, right or justify").arg(h));
        if (v == u"top") return a | Qt::AlignTop;
        if (v == u"middle") return a | Qt::AlignVCenter;
        if (v == u"bottom") return a | Qt::AlignBottom;
        fail(QStringLiteral("valign=\"%1\" is not top, middle or bottom").arg(v));
    }

    Qt::PenStyle penStyle(const QString& s) const {
        if (s == u"solid") return Qt::SolidLine;
        if (s == u"dash") return Qt::DashLine;
        if (s == u"dot") return Qt::DotLine;
        fail(QStringLiteral("style=\"%1\" is not solid, dash or dot").arg(s));
    }

    // "Voucher {phPaymentNo}", "{phAmount|#,##0.00}"; {{ and }} stand for braces.
    std::vector<ReportTextPart> parseTemplate(const QString& t, int line) const {
        std::vector<ReportTextPart> parts;
        QString literal;
        for (qsizetype i = 0; i < t.size(); ++i) {
            const QChar c = t[i];
            if ((c == u'{' || c == u'}') && i + 1 < t.size() && t[i + 1] == c) {
                literal += c;
                ++i;
                continue;
            }
            if (c == u'}')
                fail(QStringLiteral("a \"}\" stands alone; write \"}}\" for the brace"), line);
            if (c != u'{') {
                literal += c;
                continue;
            }
            const qsizetype close = t.indexOf(u'}', i);
            if (close < 0) fail(QStringLiteral("a placeholder is not closed with \"}\""), line);
            if (!literal.isEmpty())
                parts.push_back({literal, std::nullopt, false, QString(), QString()});
            literal.clear();
            parts.push_back(placeholder(t.mid(i + 1, close - i - 1), line));
            i = close;
        }
        if (!literal.isEmpty())
            parts.push_back({literal, std::nullopt, false, QString(), QString()});
        return parts;
    }

    ReportTextPart placeholder(const QString& inside, int line) const {
        ReportTextPart part;
        const QString name = inside.section(u'|', 0, 0).trimmed();
        part.format = inside.contains(u'|') ? inside.section(u'|', 1).trimmed() : QString();
        ReportName n;
        if (name.startsWith(u'#')) {
            part.special = true;
            n.name = name.mid(1).section(u':', 0, 0).trimmed().toLower();
            if (n.name == u"carried" || n.name == u"brought") {
                part.sumOf = name.section(u':', 1).trimmed();
                if (!isIdentifier(part.sumOf))
                    fail(QStringLiteral("{%1} names no column to sum").arg(name), line);
            } else if ((n.name != u"page" && n.name != u"pages" && n.name != u"printed") ||
                       name.contains(u':')) {
                fail(QStringLiteral("{%1} is not known; the page fields are {#page}, {#pages}, "
                                    "{#printed}, {#carried:column} and {#brought:column}")
                         .arg(name),
                     line);
            }
        } else {
            const ReportFormula f = formula(u'{' + name + u'}');
            if (f.names().size() != 1) fail(QStringLiteral("{%1} is not a name").arg(name), line);
            n = f.names().front();
        }
        part.name = n;
        return part;
    }

    // Every parameter and formula field named anywhere must be declared.
    void checkNames() const {
        const auto checkOne = [&](const ReportName& n, int line) {
            if (n.kind == ReportName::Parameter &&
                !def_.parameters.contains(n.name, Qt::CaseInsensitive))
                fail(QStringLiteral("the parameter field %1 is not declared").arg(n.written()),
                     line);
            if (n.kind == ReportName::Formula && !def_.formulas.count(n.name.toLower()))
                fail(QStringLiteral("the formula field %1 is not declared").arg(n.written()), line);
        };
        for (const auto& [name, f] : def_.formulas)
            for (const ReportName& n : f.names()) checkOne(n, formulaLines_.at(name));
        for (const auto& kind : def_.sections)
            for (const ReportBand& band : kind) {
                for (const ReportName& n : band.when.names()) checkOne(n, band.line);
                for (const ReportElement& e : band.elements) {
                    for (const ReportName& n : e.when.names()) checkOne(n, e.line);
                    for (const ReportTextPart& p : e.text)
                        if (p.name && !p.special) checkOne(*p.name, e.line);
                }
            }
    }

    QXmlStreamReader xml_;
    ReportDefinition def_;
    std::map<QString, int> formulaLines_;
};

void addColumns(const ReportFormula& f, QStringList& out) {
    for (const ReportName& n : f.names())
        if (n.kind == ReportName::Column && !out.contains(n.name, Qt::CaseInsensitive))
            out << n.name;
}

}  // namespace

QSizeF ReportDefinition::pageSizeMm() const {
    const QSizeF s = pageSize.size(QPageSize::Millimeter);
    return orientation == QPageLayout::Landscape ? s.transposed() : s;
}

QRectF ReportDefinition::contentMm() const {
    const QSizeF s = pageSizeMm();
    return QRectF(margins.left(), margins.top(), s.width() - margins.left() - margins.right(),
                  s.height() - margins.top() - margins.bottom());
}

QStringList ReportDefinition::columnsUsed() const {
    QStringList out;
    for (const auto& [name, f] : formulas) addColumns(f, out);
    for (const auto& kind : sections)
        for (const ReportBand& band : kind) {
            addColumns(band.when, out);
            for (const ReportElement& e : band.elements) {
                addColumns(e.when, out);
                for (const ReportTextPart& p : e.text)
                    if (p.name && !p.special && p.name->kind == ReportName::Column &&
                        !out.contains(p.name->name, Qt::CaseInsensitive))
                        out << p.name->name;
                    else if (!p.sumOf.isEmpty() && !out.contains(p.sumOf, Qt::CaseInsensitive))
                        out << p.sumOf;
            }
        }
    for (const QString& c : order)
        if (!out.contains(c, Qt::CaseInsensitive)) out << c;
    return out;
}

ReportDefinition ReportDefinition::Load(const QString& file) {
    QFile f(file);
    if (!QFileInfo(file).isFile())
        raiseReport(kErrReportFileMissing,
                    QStringLiteral("The report file %1 was not found.").arg(file));
    if (!f.open(QIODevice::ReadOnly))
        raiseReport(
            kErrReportFileMissing,
            QStringLiteral("The report file %1 cannot be opened: %2.").arg(file, f.errorString()));
    return Parse(f.readAll(), file);
}

ReportDefinition ReportDefinition::Parse(const QByteArray& xml, const QString& file) {
    return DefinitionReader(xml, file).read();
}

}  // namespace pcp
