#include "report/ReportFormula.h"

#include <QDateTime>

#include "data/Decimal.h"
#include "data/SqlText.h"
#include "data/Values.h"
#include "report/ReportError.h"

namespace pcp {

QString ReportName::written() const {
    switch (kind) {
        case Parameter: return QStringLiteral("{?") + name + u'}';
        case Formula: return QStringLiteral("{@") + name + u'}';
        case Page: return QStringLiteral("{#") + name + u'}';
        default: return u'{' + (table.isEmpty() ? name : table + u'.' + name) + u'}';
    }
}

struct ReportFormula::Node {
    enum Kind { Literal, Name, Negate, Not, Binary, IsNull } kind = Literal;
    QVariant literal;
    ReportName name;
    QString op;  // for Binary: + - * / = <> < > <= >= and or
    std::shared_ptr<const Node> a, b;

    bool isCondition() const {
        if (kind == Not || kind == IsNull) return true;
        if (kind == Literal) return literal.typeId() == QMetaType::Bool;
        if (kind != Binary) return false;
        return !(op == u"+" || op == u"-" || op == u"*" || op == u"/");
    }
};

namespace {

using NodePtr = std::shared_ptr<const ReportFormula::Node>;
using Node = ReportFormula::Node;

bool isIdentifier(const QString& s) {
    if (s.isEmpty() || !(s.front().isLetter() || s.front() == u'_')) return false;
    for (const QChar c : s)
        if (!(c.isLetterOrNumber() || c == u'_')) return false;
    return true;
}

struct Token {
    enum Kind { End, Name, Number, Text, Word, Symbol } kind = End;
    QString text;
    ReportName name;
    Decimal number;
    int at = 0;
};

// Reads one formula; every fault names the character where it was found.
class Parser {
  public:
    explicit Parser(const QString& text) : text_(text) { next(); }

    NodePtr parseAll() {
        NodePtr root = parseOr();
        if (tok_.kind != Token::End) fail(QStringLiteral("\"%1\" was not expected").arg(tok_.text));
        return root;
    }
    std::vector<ReportName> names;

  private:
    [[noreturn]] void fail(const QString& what, int at = -1) const {
        const int where = (at < 0 ? tok_.at : at) + 1;
        raiseReport(kErrReportFormula, QStringLiteral("The formula \"%1\" cannot be read: %2 "
                                                      "(character %3).")
                                           .arg(text_, what)
                                           .arg(where));
    }

    void skipBlanks() {
        while (pos_ < text_.size() && text_[pos_].isSpace()) ++pos_;
    }

    void next() {
        skipBlanks();
        tok_ = Token{};
        tok_.at = int(pos_);
        if (pos_ >= text_.size()) return;
        const QChar c = text_[pos_];
        if (c == u'{') return readName();
        if (c == u'\'' || c == u'"') return readText(c);
        if (c.isDigit() || (c == u'.' && pos_ + 1 < text_.size() && text_[pos_ + 1].isDigit()))
            return readNumber();
        if (c.isLetter()) return readWord();
        static const QStringList symbols{
            QStringLiteral("<>"), QStringLiteral("<="), QStringLiteral(">="), QStringLiteral("="),
            QStringLiteral("<"),  QStringLiteral(">"),  QStringLiteral("+"),  QStringLiteral("-"),
            QStringLiteral("*"),  QStringLiteral("/"),  QStringLiteral("("),  QStringLiteral(")")};
        for (const QString& s : symbols) {
            if (QStringView(text_).mid(pos_).startsWith(s)) {
                tok_.kind = Token::Symbol;
                tok_.text = s;
                pos_ += s.size();
                return;
            }
        }
        fail(QStringLiteral("the character \"%1\" is not part of the language").arg(c));
    }

    void readName() {
        const qsizetype close = text_.indexOf(u'}', pos_);
        if (close < 0) fail(QStringLiteral("a name is not closed with \"}\""));
        const QString inside = text_.mid(pos_ + 1, close - pos_ - 1).trimmed();
        tok_.kind = Token::Name;
        tok_.text = text_.mid(pos_, close - pos_ + 1);
        pos_ = close + 1;
        ReportName n;
        QString bare = inside;
        if (inside.startsWith(u'?')) {
            n.kind = ReportName::Parameter;
            bare = inside.mid(1);
        } else if (inside.startsWith(u'@')) {
            n.kind = ReportName::Formula;
            bare = inside.mid(1);
        } else if (inside.startsWith(u'#')) {
            n.kind = ReportName::Page;
            bare = inside.mid(1).toLower();
            if (bare != u"page" && bare != u"pages")
                fail(QStringLiteral("%1 is not a page field; they are {#page} and {#pages}")
                         .arg(tok_.text));
        } else if (const qsizetype dot = inside.indexOf(u'.'); dot >= 0) {
            n.table = inside.left(dot);
            bare = inside.mid(dot + 1);
            if (!isIdentifier(n.table)) fail(QStringLiteral("%1 is not a name").arg(tok_.text));
        }
        if (!isIdentifier(bare)) fail(QStringLiteral("%1 is not a name").arg(tok_.text));
        n.name = bare;
        tok_.name = n;
        names.push_back(n);
    }

    void readText(QChar quote) {
        QString value;
        qsizetype i = pos_ + 1;
        for (;; ++i) {
            if (i >= text_.size()) fail(QStringLiteral("a text is not closed"));
            if (text_[i] == quote) {
                if (i + 1 < text_.size() && text_[i + 1] == quote) {
                    value += quote;
                    ++i;
                    continue;
                }
                break;
            }
            value += text_[i];
        }
        tok_.kind = Token::Text;
        tok_.text = value;
        pos_ = i + 1;
    }

    void readNumber() {
        qsizetype i = pos_;
        while (i < text_.size() && (text_[i].isDigit() || text_[i] == u'.')) ++i;
        const QString digits = text_.mid(pos_, i - pos_);
        const auto value = Decimal::parse(digits);
        if (!value) fail(QStringLiteral("%1 is not a number").arg(digits));
        tok_.kind = Token::Number;
        tok_.text = digits;
        tok_.number = *value;
        pos_ = i;
    }

    void readWord() {
        qsizetype i = pos_;
        while (i < text_.size() && (text_[i].isLetterOrNumber() || text_[i] == u'_')) ++i;
        tok_.kind = Token::Word;
        tok_.text = text_.mid(pos_, i - pos_).toLower();
        static const QStringList words{QStringLiteral("and"),  QStringLiteral("or"),
                                       QStringLiteral("not"),  QStringLiteral("isnull"),
                                       QStringLiteral("true"), QStringLiteral("false")};
        if (!words.contains(tok_.text))
            fail(QStringLiteral("\"%1\" is not a word of the language")
                     .arg(text_.mid(pos_, i - pos_)));
        pos_ = i;
    }

    bool isWord(const char* w) const {
        return tok_.kind == Token::Word && tok_.text == QLatin1String(w);
    }
    bool isSymbol(const char* s) const {
        return tok_.kind == Token::Symbol && tok_.text == QLatin1String(s);
    }

    static NodePtr binary(const QString& op, NodePtr a, NodePtr b) {
        auto n = std::make_shared<Node>();
        n->kind = Node::Binary;
        n->op = op;
        n->a = std::move(a);
        n->b = std::move(b);
        return n;
    }

    NodePtr parseOr() {
        NodePtr left = parseAnd();
        while (isWord("or")) {
            next();
            left = binary(QStringLiteral("or"), left, parseAnd());
        }
        return left;
    }

    NodePtr parseAnd() {
        NodePtr left = parseNot();
        while (isWord("and")) {
            next();
            left = binary(QStringLiteral("and"), left, parseNot());
        }
        return left;
    }

    NodePtr parseNot() {
        if (!isWord("not")) return parseComparison();
        next();
        auto n = std::make_shared<Node>();
        n->kind = Node::Not;
        n->a = parseNot();
        return n;
    }

    NodePtr parseComparison() {
        NodePtr left = parseSum();
        for (const char* op : {"=", "<>", "<", ">", "<=", ">="}) {
            if (!isSymbol(op)) continue;
            next();
            return binary(QString::fromLatin1(op), left, parseSum());
        }
        return left;
    }

    NodePtr parseSum() {
        NodePtr left = parseProduct();
        while (isSymbol("+") || isSymbol("-")) {
            const QString op = tok_.text;
            next();
            left = binary(op, left, parseProduct());
        }
        return left;
    }

    NodePtr parseProduct() {
        NodePtr left = parseUnary();
        while (isSymbol("*") || isSymbol("/")) {
            const QString op = tok_.text;
            next();
            left = binary(op, left, parseUnary());
        }
        return left;
    }

    NodePtr parseUnary() {
        if (!isSymbol("-")) return parsePrimary();
        next();
        auto n = std::make_shared<Node>();
        n->kind = Node::Negate;
        n->a = parseUnary();
        return n;
    }

    NodePtr parsePrimary() {
        auto n = std::make_shared<Node>();
        switch (tok_.kind) {
            case Token::End: fail(QStringLiteral("a value is missing at the end"));
            case Token::Number: n->literal = QVariant::fromValue(tok_.number); break;
            case Token::Text: n->literal = tok_.text; break;
            case Token::Name:
                n->kind = Node::Name;
                n->name = tok_.name;
                break;
            case Token::Word:
                if (isWord("true") || isWord("false")) {
                    n->literal = isWord("true");
                    break;
                }
                if (isWord("isnull")) return parseIsNull();
                fail(QStringLiteral("a value is missing before \"%1\"").arg(tok_.text));
            case Token::Symbol:
                if (isSymbol("(")) {
                    next();
                    NodePtr inner = parseOr();
                    if (!isSymbol(")")) fail(QStringLiteral("\")\" is missing"));
                    next();
                    return inner;
                }
                fail(QStringLiteral("a value is missing before \"%1\"").arg(tok_.text));
        }
        next();
        return n;
    }

    NodePtr parseIsNull() {
        next();
        if (!isSymbol("(")) fail(QStringLiteral("\"(\" is missing after isnull"));
        next();
        auto n = std::make_shared<Node>();
        n->kind = Node::IsNull;
        n->a = parseOr();
        if (!isSymbol(")")) fail(QStringLiteral("\")\" is missing"));
        next();
        return n;
    }

    const QString& text_;
    qsizetype pos_ = 0;
    Token tok_;
};

// --- evaluation -----------------------------------------------------------

bool isMissing(const QVariant& v) {
    return !v.isValid() || v.isNull();
}

bool isNumber(const QVariant& v) {
    return IsNumberValue(v);
}

int compareValues(const QVariant& a, const QVariant& b) {
    if (isNumber(a) || isNumber(b)) {
        const Decimal x = CDec(a), y = CDec(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.typeId() == QMetaType::QDateTime || b.typeId() == QMetaType::QDateTime) {
        const QDateTime x = WallClock(a.toDateTime()), y = WallClock(b.toDateTime());
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.typeId() == QMetaType::Bool && b.typeId() == QMetaType::Bool)
        return int(a.toBool()) - int(b.toBool());
    return QString::compare(Text(a), Text(b), Qt::CaseInsensitive);
}

QVariant evaluateNode(const Node& n, const ReportScope& scope);

bool truth(const QVariant& v) {
    return !isMissing(v) && v.typeId() == QMetaType::Bool && v.toBool();
}

QVariant arithmetic(const QString& op, const QVariant& a, const QVariant& b) {
    if (isMissing(a) || isMissing(b)) return QVariant();
    if (op == u"+" && !(isNumber(a) && isNumber(b))) return Text(a) + Text(b);
    const Decimal x = CDec(a), y = CDec(b);
    if (op == u"+") return QVariant::fromValue(x + y);
    if (op == u"-") return QVariant::fromValue(x - y);
    if (op == u"*") return QVariant::fromValue(x * y);
    return QVariant::fromValue(x / y);
}

QVariant binaryValue(const Node& n, const ReportScope& scope) {
    if (n.op == u"and") return truth(evaluateNode(*n.a, scope)) && truth(evaluateNode(*n.b, scope));
    if (n.op == u"or") return truth(evaluateNode(*n.a, scope)) || truth(evaluateNode(*n.b, scope));
    const QVariant a = evaluateNode(*n.a, scope), b = evaluateNode(*n.b, scope);
    if (!n.isCondition()) return arithmetic(n.op, a, b);
    if (isMissing(a) || isMissing(b)) return QVariant();
    const int c = compareValues(a, b);
    if (n.op == u"=") return c == 0;
    if (n.op == u"<>") return c != 0;
    if (n.op == u"<") return c < 0;
    if (n.op == u">") return c > 0;
    if (n.op == u"<=") return c <= 0;
    return c >= 0;
}

QVariant evaluateNode(const Node& n, const ReportScope& scope) {
    switch (n.kind) {
        case Node::Literal: return n.literal;
        case Node::Name: return scope.value(n.name);
        case Node::Negate: {
            const QVariant v = evaluateNode(*n.a, scope);
            return isMissing(v) ? QVariant() : QVariant::fromValue(-CDec(v));
        }
        case Node::Not: {
            const QVariant v = evaluateNode(*n.a, scope);
            return isMissing(v) ? QVariant() : QVariant(!truth(v));
        }
        case Node::IsNull: return isMissing(evaluateNode(*n.a, scope));
        case Node::Binary: return binaryValue(n, scope);
    }
    return QVariant();
}

// --- SQL ------------------------------------------------------------------

class SqlWriter {
  public:
    SqlWriter(const QString& formula, const QString& view) : formula_(formula), view_(view) {}

    QString condition(const Node& n) const {
        if (!n.isCondition()) fail(QStringLiteral("it is not a condition"));
        return write(n);
    }

  private:
    [[noreturn]] void fail(const QString& why) const {
        raiseReport(kErrReportFormula,
                    QStringLiteral("The selection formula \"%1\" cannot select records: %2.")
                        .arg(formula_, why));
    }

    QString write(const Node& n) const {
        switch (n.kind) {
            case Node::Literal: return literal(n.literal);
            case Node::Name: return column(n.name);
            case Node::Negate: return QStringLiteral("(-") + write(*n.a) + u')';
            case Node::Not: return QStringLiteral("(not ") + condition(*n.a) + u')';
            case Node::IsNull: return u'(' + write(*n.a) + QStringLiteral(" is null)");
            case Node::Binary: break;
        }
        if (n.op == u"and" || n.op == u"or")
            return u'(' + condition(*n.a) + u' ' + n.op + u' ' + condition(*n.b) + u')';
        if (n.a->isCondition() || n.b->isCondition())
            fail(QStringLiteral("a condition cannot be compared or computed"));
        return u'(' + write(*n.a) + u' ' + n.op + u' ' + write(*n.b) + u')';
    }

    QString literal(const QVariant& v) const {
        if (v.typeId() == QMetaType::Bool)
            return v.toBool() ? QStringLiteral("(1=1)") : QStringLiteral("(1=0)");
        if (v.typeId() == QMetaType::QString) return SqlQuote(v.toString());
        return v.value<Decimal>().toString();
    }

    QString column(const ReportName& name) const {
        if (name.kind != ReportName::Column)
            fail(name.written() + QStringLiteral(" is not a column of ") + view_);
        if (!name.table.isEmpty() && name.table.compare(view_, Qt::CaseInsensitive) != 0)
            fail(name.written() + QStringLiteral(" is not a column of ") + view_);
        return name.name;
    }

    const QString& formula_;
    const QString& view_;
};

}  // namespace

ReportFormula ReportFormula::parse(const QString& text) {
    ReportFormula f;
    f.text_ = text;
    if (text.trimmed().isEmpty()) return f;
    Parser parser(text);
    f.root_ = parser.parseAll();
    f.names_ = std::move(parser.names);
    return f;
}

QString ReportFormula::toSql(const QString& view) const {
    if (!root_) return QStringLiteral("(1=1)");
    return SqlWriter(text_, view).condition(*root_);
}

QVariant ReportFormula::evaluate(const ReportScope& scope) const {
    return root_ ? evaluateNode(*root_, scope) : QVariant();
}

bool ReportFormula::test(const ReportScope& scope) const {
    return truth(evaluate(scope));
}

}  // namespace pcp
