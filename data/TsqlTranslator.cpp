#include "data/TsqlTranslator.h"

#include <QSet>
#include <QStringList>
#include <vector>

#include "data/ModuleError.h"
#include "data/SqliteFunctions.h"

namespace pcp {

namespace {

// The database a statement is translated for.
enum class Database { Sqlite, Postgres };

QString sourceOf(Database target) {
    return target == Database::Postgres ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite");
}

QString CannotRunOnPostgres(const QString& construct) {
    return QStringLiteral("The statement cannot run on PostgreSQL: ") + construct;
}

[[noreturn]] void refuse(Database target, const QString& construct) {
    raise(kErrDbCommand, sourceOf(target),
          target == Database::Postgres ? CannotRunOnPostgres(construct)
                                       : CannotRunOnSqlite(construct));
}

[[noreturn]] void incomplete(Database target, const QString& what) {
    raise(kErrDbCommand, sourceOf(target), what);
}

// ---------------------------------------------------------------------------
// Tokens

enum class Tok { Space, Comment, String, Ident, Number, Word, Param, Op, Open, Close };

struct Token {
    Tok kind;
    QString text;   // as it goes to SQLite
    QString value;  // a string literal's content, quotes undoubled
};

bool isWordStart(QChar c) {
    return c.isLetter() || c == u'_' || c == u'@' || c == u'#';
}
bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$';
}

class Lexer {
  public:
    Lexer(const QString& sql, Database target) : s_(sql), target_(target) {}

    std::vector<Token> run() {
        while (i_ < s_.size()) next();
        return std::move(toks_);
    }

  private:
    QChar at(qsizetype k) const { return k < s_.size() ? s_[k] : QChar(); }

    void add(Tok kind, qsizetype end, QString text = QString(), QString value = QString()) {
        if (text.isNull()) text = s_.mid(i_, end - i_);
        toks_.push_back({kind, std::move(text), std::move(value)});
        i_ = end;
    }

    void next() {
        const QChar c = s_[i_];
        if (c.isSpace()) {
            qsizetype k = i_;
            while (k < s_.size() && s_[k].isSpace()) ++k;
            return add(Tok::Space, k);
        }
        if (c == u'-' && at(i_ + 1) == u'-') return lineComment();
        if (c == u'/' && at(i_ + 1) == u'*') return blockComment();
        if (c == u'\'') return string(i_);
        if ((c == u'N' || c == u'n') && at(i_ + 1) == u'\'') return string(i_ + 1);
        if (c == u'[') return bracketIdent();
        if (c == u'"') return quotedIdent();
        if (c.isDigit() || (c == u'.' && at(i_ + 1).isDigit() && !afterName())) return number();
        if (isWordStart(c)) {
            qsizetype k = i_;
            while (k < s_.size() && isWordChar(s_[k])) ++k;
            return add(Tok::Word, k);
        }
        if (c == u'?') return add(Tok::Param, i_ + 1);
        if (c == u'(') return add(Tok::Open, i_ + 1);
        if (c == u')') return add(Tok::Close, i_ + 1);
        static const QStringList pairs = {"<=", ">=", "<>", "!=", "!<", "!>", "||"};
        const QString op = s_.mid(i_, pairs.contains(s_.mid(i_, 2)) ? 2 : 1);
        // PostgreSQL has no "not less" or "not greater".
        const bool postgres = target_ == Database::Postgres;
        add(Tok::Op, i_ + op.size(),
            postgres && op == u"!<"   ? QStringLiteral(">=")
            : postgres && op == u"!>" ? QStringLiteral("<=")
                                      : op);
    }

    bool afterName() const {
        return !toks_.empty() &&
               (toks_.back().kind == Tok::Word || toks_.back().kind == Tok::Ident ||
                toks_.back().kind == Tok::Close);
    }

    void lineComment() {
        const qsizetype end = s_.indexOf(u'\n', i_);
        add(Tok::Comment, end < 0 ? s_.size() : end);
    }

    // SQL Server nests block comments.
    void blockComment() {
        int depth = 0;
        for (qsizetype k = i_; k + 1 < s_.size(); ++k) {
            if (s_[k] == u'/' && s_[k + 1] == u'*') {
                ++depth;
                ++k;
            } else if (s_[k] == u'*' && s_[k + 1] == u'/') {
                ++k;
                if (--depth == 0) return add(Tok::Comment, k + 1);
            }
        }
        incomplete(target_, QStringLiteral("Missing end comment mark '*/'."));
    }

    // From the opening quote at q; an N before it is dropped.
    void string(qsizetype q) {
        QString value;
        for (qsizetype k = q + 1; k < s_.size(); ++k) {
            if (s_[k] != u'\'') {
                value += s_[k];
            } else if (at(k + 1) == u'\'') {
                value += u'\'';
                ++k;
            } else {
                return add(Tok::String, k + 1, s_.mid(q, k + 1 - q), value);
            }
        }
        incomplete(
            target_,
            QStringLiteral("Unclosed quotation mark after the character string '%1'.").arg(value));
    }

    // A quoted name as the target reads it. PostgreSQL folds the schema's
    // unquoted names to lower case, so a quoted one must be written so too.
    QString quotedName(const QString& name) const {
        const QString folded = target_ == Database::Postgres ? name.toLower() : name;
        return u'"' + QString(folded).replace(u'"', QStringLiteral("\"\"")) + u'"';
    }

    // SQLite ends a bracketed name at the first ']': a name holding "]]"
    // goes in double quotes instead.
    void bracketIdent() {
        QString name;
        for (qsizetype k = i_ + 1; k < s_.size(); ++k) {
            if (s_[k] != u']') {
                name += s_[k];
            } else if (at(k + 1) == u']') {
                name += u']';
                ++k;
            } else {
                const bool quoted = name.contains(u']') || target_ == Database::Postgres;
                return add(Tok::Ident, k + 1, quoted ? quotedName(name) : QString());
            }
        }
        incomplete(target_,
                   QStringLiteral("Unclosed quotation mark after the identifier [%1.").arg(name));
    }

    void quotedIdent() {
        QString name;
        for (qsizetype k = i_ + 1; k < s_.size(); ++k) {
            if (s_[k] != u'"') {
                name += s_[k];
            } else if (at(k + 1) == u'"') {
                name += u'"';
                ++k;
            } else {
                return add(Tok::Ident, k + 1,
                           target_ == Database::Postgres ? quotedName(name) : QString());
            }
        }
        incomplete(
            target_,
            QStringLiteral("Unclosed quotation mark after the identifier %1.").arg(s_.mid(i_)));
    }

    // SQL Server ends a number where its digits end ("2and" is "2 and");
    // SQLite refuses the text, so a blank goes between.
    void number() {
        qsizetype k = i_;
        if (s_[k] == u'0' && (at(k + 1) == u'x' || at(k + 1) == u'X')) {
            k += 2;
            while (k < s_.size() && isWordChar(s_[k])) ++k;
            return add(Tok::Number, k);
        }
        while (k < s_.size() && s_[k].isDigit()) ++k;
        if (at(k) == u'.') ++k;
        while (k < s_.size() && s_[k].isDigit()) ++k;
        if (at(k) == u'e' || at(k) == u'E') {
            qsizetype j = k + 1;
            if (at(j) == u'+' || at(j) == u'-') ++j;
            if (at(j).isDigit()) {
                k = j;
                while (k < s_.size() && s_[k].isDigit()) ++k;
            }
        }
        add(Tok::Number, k);
        if (isWordStart(at(i_))) toks_.push_back({Tok::Space, QStringLiteral(" "), QString()});
    }

    const QString& s_;
    Database target_;
    qsizetype i_ = 0;
    std::vector<Token> toks_;
};

// ---------------------------------------------------------------------------
// Translation

// What the translator knows of an expression's SQL Server type.
enum class Type { Unknown, Text, Number, Date };

struct Term {
    Term(QString t = QString(), Type ty = Type::Unknown) : text(std::move(t)), type(ty) {}
    QString text;
    Type type;
    bool literal = false;  // a lone string literal (its content in value)
    QString value;
    bool bitwise = false;  // ends in an operator the target binds looser than + and -
    bool added = false;    // SQLite: a pcp_add, text or number as its operands turn out
};

// Words that are never an operand (left and right are, before a parenthesis).
bool isKeyword(const QString& lower) {
    static const QSet<QString> words = {
        "add",       "all",         "alter",   "and",        "any",    "as",         "asc",
        "begin",     "between",     "by",      "check",      "commit", "constraint", "create",
        "cross",     "declare",     "default", "delete",     "desc",   "distinct",   "drop",
        "else",      "end",         "escape",  "except",     "exec",   "execute",    "exists",
        "fetch",     "for",         "foreign", "from",       "full",   "group",      "having",
        "if",        "in",          "index",   "inner",      "insert", "intersect",  "into",
        "is",        "join",        "key",     "left",       "like",   "limit",      "not",
        "offset",    "on",          "option",  "or",         "order",  "outer",      "over",
        "partition", "percent",     "primary", "references", "return", "right",      "rollback",
        "select",    "set",         "some",    "table",      "then",   "ties",       "top",
        "tran",      "transaction", "union",   "unique",     "update", "using",      "values",
        "view",      "when",        "where",   "while",      "with"};
    return words.contains(lower);
}

class Translator {
  public:
    Translator(std::vector<Token> tokens, Database target)
        : t_(std::move(tokens)), target_(target) {
        matchParentheses();
    }

    QString run() {
        Type type;
        return scope(0, int(t_.size()), &type);
    }

  private:
    // One statement inside a scope: its selects and the LIMIT its TOP asks for.
    struct Statement {
        int selects = 0;
        QString limit;
    };

    bool postgres() const { return target_ == Database::Postgres; }
    [[noreturn]] void refuse(const QString& construct) const { pcp::refuse(target_, construct); }
    [[noreturn]] void incomplete(const QString& what) const { pcp::incomplete(target_, what); }

    // --- token helpers ---------------------------------------------------------

    bool trivia(int i) const { return t_[i].kind == Tok::Space || t_[i].kind == Tok::Comment; }
    int sig(int i, int e) const {
        while (i < e && trivia(i)) ++i;
        return i;
    }
    bool isWord(int i, const char* w) const {
        return t_[i].kind == Tok::Word &&
               t_[i].text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
    }
    bool isOp(int i, const char* op) const {
        return t_[i].kind == Tok::Op && t_[i].text == QLatin1String(op);
    }
    // Tokens as they go out, a comment as one blank (between words it still separates them).
    QString triviaText(int b, int e) const {
        QString out;
        for (int i = b; i < e; ++i)
            out += t_[i].kind == Tok::Comment ? QStringLiteral(" ") : t_[i].text;
        return out;
    }
    // Tokens as an error message shows them.
    QString original(int b, int e) const { return triviaText(b, e).simplified(); }

    void matchParentheses() {
        match_.assign(t_.size(), -1);
        std::vector<int> open;
        for (int i = 0; i < int(t_.size()); ++i) {
            if (t_[i].kind == Tok::Open) open.push_back(i);
            if (t_[i].kind != Tok::Close) continue;
            if (open.empty()) incomplete(QStringLiteral("Incorrect syntax near ')'."));
            match_[open.back()] = i;
            open.pop_back();
        }
        if (!open.empty()) incomplete(QStringLiteral("Incorrect syntax: a '(' is not closed."));
    }

    // Ranges of a parenthesised list's items, split at its own commas.
    std::vector<std::pair<int, int>> itemRanges(int open) const {
        std::vector<std::pair<int, int>> items;
        int b = open + 1;
        for (int j = open + 1; j <= match_[open]; ++j) {
            if (j == match_[open] || isOp(j, ",")) {
                items.emplace_back(b, j);
                b = j + 1;
            } else if (t_[j].kind == Tok::Open) {
                j = match_[j];
            }
        }
        return items;
    }

    bool startsOperand(int i, int e) const {
        switch (t_[i].kind) {
            case Tok::String:
            case Tok::Number:
            case Tok::Ident:
            case Tok::Param:
            case Tok::Open: return true;
            case Tok::Op: return isOp(i, "-") || isOp(i, "+") || isOp(i, "~");
            case Tok::Word: {
                if (isWord(i, "left") || isWord(i, "right")) {
                    const int n = sig(i + 1, e);
                    return n < e && t_[n].kind == Tok::Open;
                }
                return !isKeyword(t_[i].text.toLower());
            }
            default: return false;
        }
    }

    // --- scopes and statements -------------------------------------------------

    // The tokens [b, e) of the whole text or of one pair of parentheses. The
    // type is known when the scope is one expression.
    QString scope(int b, int e, Type* type) {
        Statement st;
        QString out;
        int expressions = 0, others = 0;
        Type last = Type::Unknown;
        int i = b;
        while (i < e) {
            if (trivia(i)) {
                out += triviaText(i, i + 1);
                ++i;
            } else if (isWord(i, "select")) {
                i = select(i, e, st, out);
                ++others;
            } else if (isOp(i, ";")) {
                finish(st, out);
                out += u';';
                ++i;
                ++others;
            } else if (isWord(i, "like")) {
                out += postgres() ? QStringLiteral("ILIKE") : t_[i].text;
                i = like(i + 1, e, out);
                ++others;
            } else if (isWord(i, "top")) {
                refuse(QStringLiteral("TOP outside the select list of a SELECT"));
            } else if (startsOperand(i, e)) {
                const Term term = sum(i, e);
                out += term.text;
                last = term.type;
                ++expressions;
            } else {
                out += t_[i].text;
                ++i;
                ++others;
            }
        }
        finish(st, out);
        *type = expressions == 1 && others == 0 ? last : Type::Unknown;
        return out;
    }

    // SELECT [DISTINCT|ALL] [TOP n | TOP (expr)]: the TOP leaves the select list
    // and comes back as LIMIT when the statement ends.
    int select(int i, int e, Statement& st, QString& out) {
        ++st.selects;
        out += t_[i].text;
        int j = sig(i + 1, e);
        if (j < e && (isWord(j, "distinct") || isWord(j, "all"))) {
            out += triviaText(i + 1, j) + t_[j].text;
            i = j;
            j = sig(j + 1, e);
        }
        if (j >= e || !isWord(j, "top")) return i + 1;
        out += triviaText(i + 1, j);
        return top(j, e, st);
    }

    // TOP n or TOP (expr), kept as the statement's LIMIT; returns the index past
    // the count, so the blanks after it go with it.
    int top(int j, int e, Statement& st) {
        const int n = sig(j + 1, e);
        int after = n + 1;
        QString count;
        if (n < e && t_[n].kind == Tok::Number && isWhole(t_[n].text)) {
            count = t_[n].text;
        } else if (n < e && t_[n].kind == Tok::Open) {
            Type type;
            count = u'(' + scope(n + 1, match_[n], &type) + u')';
            after = match_[n] + 1;
        } else {
            refuse(QStringLiteral("TOP without a whole number"));
        }
        const QString shown = QStringLiteral("TOP ") + original(n, after);
        const int k = sig(after, e);
        if (k < e && isWord(k, "percent")) refuse(shown + QStringLiteral(" PERCENT"));
        if (k < e && isWord(k, "with")) refuse(shown + QStringLiteral(" WITH TIES"));
        if (!st.limit.isEmpty()) refuse(QStringLiteral("a second TOP in one statement"));
        st.limit = count;
        return k;
    }

    static bool isWhole(const QString& text) {
        for (QChar c : text)
            if (!c.isDigit()) return false;
        return true;
    }

    // The LIMIT closes the statement, after its ORDER BY and outside any comment.
    void finish(Statement& st, QString& out) {
        if (!st.limit.isEmpty()) {
            // SQLite's LIMIT would apply to the whole compound select.
            if (st.selects > 1)
                refuse(
                    QStringLiteral("TOP in a statement with a second SELECT (UNION, EXCEPT, "
                                   "INTERSECT, or no ';' before the next statement)"));
            while (!out.isEmpty() && out.back().isSpace()) out.chop(1);
            out += QStringLiteral(" LIMIT ") + st.limit;
        }
        st = Statement();
    }

    // --- LIKE ---------------------------------------------------------------------

    int like(int i, int e, QString& out) {
        const int p = sig(i, e);
        if (p >= e || !startsOperand(p, e)) return i;  // not a statement: SQLite says so
        out += triviaText(i, p);
        int j = p;
        const Term pattern = sum(j, e);
        const int k = sig(j, e);
        const bool escapeClause = k < e && isWord(k, "escape");
        if (escapeClause) {
            checkEscapedPattern(pattern, k, e);
            out += pattern.text + patternCollation();
        } else if (pattern.literal) {
            // PostgreSQL's LIKE escapes with '\' unless told otherwise.
            const LikePattern r =
                TsqlLikeToSqlite(pattern.value, postgres() && pattern.value.contains(u'\\'));
            if (!r.refused.isEmpty())
                refuse(QStringLiteral("the character class %1 in a LIKE pattern").arg(r.refused));
            out += (r.needsEscape ? quoted(r.pattern) : pattern.text) + patternCollation() +
                   (r.needsEscape ? QStringLiteral(" escape '\\'") : QString());
        } else if (postgres()) {
            refuse(QStringLiteral("a LIKE pattern computed at run time (%1)").arg(original(p, j)));
        } else {
            out += QStringLiteral("pcp_like_pattern(") + pattern.text +
                   QStringLiteral(") escape '\\'");
        }
        return j;
    }

    // PostgreSQL refuses ILIKE on the schema's case-insensitive collation; the
    // pattern's explicit collation takes precedence over the column's.
    QString patternCollation() const {
        return postgres() ? QStringLiteral(" COLLATE \"default\"") : QString();
    }

    // With its own ESCAPE a pattern runs unchanged, so it must hold no class.
    void checkEscapedPattern(const Term& pattern, int escapeWord, int e) const {
        const int c = sig(escapeWord + 1, e);
        if (!pattern.literal || c >= e || t_[c].kind != Tok::String || t_[c].value.size() != 1)
            refuse(QStringLiteral("LIKE … ESCAPE with a pattern that is not a literal"));
        const QChar escape = t_[c].value[0];
        const QString& p = pattern.value;
        for (int k = 0; k < p.size(); ++k) {
            if (p[k] == escape)
                ++k;
            else if (p[k] == u'[')
                refuse(QStringLiteral("a character class in a LIKE pattern with ESCAPE"));
        }
    }

    static QString quoted(const QString& value) {
        return u'\'' + QString(value).replace(u'\'', QStringLiteral("''")) + u'\'';
    }

    // --- expressions ------------------------------------------------------------------

    // Operands joined by + - & | ^, the operators SQL Server ranks together.
    Term sum(int& i, int e) {
        Term acc = product(i, e);
        for (;;) {
            const int o = sig(i, e);
            if (o >= e ||
                !(isOp(o, "+") || isOp(o, "-") || isOp(o, "&") || isOp(o, "|") || isOp(o, "^")))
                return acc;
            const int r = sig(o + 1, e);
            if (r >= e || !startsOperand(r, e)) return acc;
            const QString before = triviaText(i, o), after = triviaText(o + 1, r);
            i = r;
            const Term rhs = product(i, e);
            acc = combine(acc, t_[o].text, before, after, rhs);
        }
    }

    Term combine(Term acc, const QString& op, const QString& before, const QString& after,
                 const Term& rhs) {
        const bool additive = op == u"+" || op == u"-";
        if (additive && (acc.type == Type::Date || rhs.type == Type::Date))
            refuse(QStringLiteral("date arithmetic (%1)")
                       .arg(acc.text + before + op + after + rhs.text));
        const bool texts = acc.type == Type::Text && rhs.type == Type::Text;
        // A text and a value of unknown type: SQL Server would add a numeric
        // text to a number, which the module's statements never ask for, so
        // PostgreSQL joins them as texts.
        const bool textAndUnknown = (acc.type == Type::Text && rhs.type == Type::Unknown) ||
                                    (acc.type == Type::Unknown && rhs.type == Type::Text);
        const bool joins = op == u"+" && (texts || (postgres() && textAndUnknown));
        // SQLite binds + and - tighter than & and |, PostgreSQL tighter than
        // & | # and ||; SQL Server goes left to right.
        if (additive && acc.bitwise && !joins) acc.text = u'(' + acc.text + u')';
        Term out;
        if (joins) {
            out.text = acc.text + before + QStringLiteral("||") + after + rhs.text;
            out.type = Type::Text;
            out.bitwise = postgres();
        } else if (op == u"+" && !postgres() &&
                   (acc.type == Type::Text || rhs.type == Type::Text || acc.added || rhs.added)) {
            // A + after a join may join again ("code + ' ' + name"): the
            // sum stays with pcp_add, which decides as SQL Server does.
            out.text = QStringLiteral("pcp_add(") + acc.text + u',' + after + rhs.text + u')';
            out.added = true;
        } else {
            const QString written = postgres() && op == u"^" ? QStringLiteral("#") : op;
            out.text = acc.text + before + written + after + rhs.text;
            out.type =
                acc.type == Type::Number && rhs.type == Type::Number ? Type::Number : Type::Unknown;
            out.bitwise = !additive;
        }
        return out;
    }

    Term product(int& i, int e) {
        Term acc = unary(i, e);
        for (;;) {
            const int o = sig(i, e);
            if (o >= e || !(isOp(o, "*") || isOp(o, "/") || isOp(o, "%"))) return acc;
            const int r = sig(o + 1, e);
            if (r >= e || !startsOperand(r, e)) return acc;
            const QString between = triviaText(i, o) + t_[o].text + triviaText(o + 1, r);
            i = r;
            const Term rhs = unary(i, e);
            const bool numbers = acc.type == Type::Number && rhs.type == Type::Number;
            acc = {acc.text + between + rhs.text, numbers ? Type::Number : Type::Unknown};
        }
    }

    Term unary(int& i, int e) {
        if (t_[i].kind != Tok::Op) return primary(i, e);
        const QString op = t_[i].text;
        const int r = sig(i + 1, e);
        if (r >= e || !startsOperand(r, e)) {
            ++i;
            return {op};
        }
        const QString gap = triviaText(i + 1, r);
        i = r;
        const Term inner = unary(i, e);
        return {op + gap + inner.text, inner.type == Type::Number ? Type::Number : Type::Unknown};
    }

    Term primary(int& i, int e) {
        const Token& t = t_[i];
        switch (t.kind) {
            case Tok::String: {
                Term literal(t.text, Type::Text);
                literal.literal = true;
                literal.value = t.value;
                ++i;
                return literal;
            }
            case Tok::Number: ++i; return {t.text, Type::Number};
            case Tok::Param: ++i; return {t.text};
            case Tok::Open: {
                Term group;
                group.text = u'(' + scope(i + 1, match_[i], &group.type) + u')';
                i = match_[i] + 1;
                return group;
            }
            default: break;
        }
        if (isWord(i, "case")) return caseExpression(i, e);
        QString name = t.text;
        int j = i + 1;
        while (j + 1 < e && isOp(j, ".") &&
               (t_[j + 1].kind == Tok::Word || t_[j + 1].kind == Tok::Ident || isOp(j + 1, "*"))) {
            name += u'.' + t_[j + 1].text;
            j += 2;
        }
        const int p = sig(j, e);
        if (p < e && t_[p].kind == Tok::Open && !isWord(i, "null")) {
            i = match_[p] + 1;
            return call(name, triviaText(j, p), p);
        }
        i = j;
        return {name};
    }

    // CASE … END, nested ones included, as one operand.
    Term caseExpression(int& i, int e) {
        int depth = 0;
        for (int j = i; j < e; ++j) {
            if (t_[j].kind == Tok::Open) {
                j = match_[j];
            } else if (isWord(j, "case")) {
                ++depth;
            } else if (isWord(j, "end") && --depth == 0) {
                Type type;
                const QString text = t_[i].text + scope(i + 1, j, &type) + t_[j].text;
                i = j + 1;
                return {text};
            }
        }
        return {t_[i++].text};  // no END: SQLite reports the statement
    }

    // --- functions ------------------------------------------------------------------------

    Term call(const QString& name, const QString& gap, int open) {
        const QString fn = name.toLower();
        if (fn == u"convert") return convert(open);
        if (fn == u"cast") return cast(open);
        std::vector<Term> args;
        QStringList texts;
        for (const auto& [b, e] : itemRanges(open)) {
            Term a;
            a.text = scope(b, e, &a.type);
            texts << a.text;
            args.push_back(a);
        }
        const QString list = gap + u'(' + texts.join(u',') + u')';
        const Type first = args.empty() ? Type::Unknown : args.front().type;
        static const QSet<QString> texty = {"ltrim",   "rtrim",     "upper", "lower",
                                            "replace", "substring", "char"};
        static const QSet<QString> numeric = {"len", "count", "sum",     "avg",
                                              "abs", "floor", "ceiling", "round"};
        if (postgres()) {
            if (fn == u"isnull") return {QStringLiteral("coalesce") + list, first};
            if (fn == u"left" || fn == u"right") return {name + list, Type::Text};
            // T-SQL's LEN ignores trailing blanks.
            if (fn == u"len") return {QStringLiteral("length(rtrim") + list + u')', Type::Number};
            if (fn == u"getdate") return {QStringLiteral("localtimestamp"), Type::Date};
            if (fn == u"char") return {QStringLiteral("chr") + list, Type::Text};
        }
        if (fn == u"isnull") return {QStringLiteral("ifnull") + list, first};
        if (fn == u"left" || fn == u"right")
            return {QStringLiteral("pcp_") + fn + list, Type::Text};
        if (fn == u"getdate") return {name + list, Type::Date};
        if (texty.contains(fn)) return {name + list, Type::Text};
        if (numeric.contains(fn)) return {name + list, Type::Number};
        if (fn == u"max" || fn == u"min" || fn == u"nullif") return {name + list, first};
        if (fn == u"coalesce") {
            bool allText = true;
            for (const Term& a : args) allText = allText && a.type == Type::Text;
            return {name + list, allText ? Type::Text : Type::Unknown};
        }
        return {name + list};
    }

    // The target of convert or cast: a type name and its arguments.
    struct Target {
        QString name;
        QStringList args;
        QString shown;
    };

    Target target(int b, int e) const {
        Target to{QString(), {}, original(b, e)};
        const int n = sig(b, e);
        if (n >= e || t_[n].kind != Tok::Word) refuse(QStringLiteral("convert to ") + to.shown);
        to.name = t_[n].text.toLower();
        int k = sig(n + 1, e);
        if (k < e && t_[k].kind == Tok::Open) {
            for (const auto& [ab, ae] : itemRanges(k)) to.args << original(ab, ae).toLower();
            k = sig(match_[k] + 1, e);
        }
        if (k < e) refuse(QStringLiteral("convert to ") + to.shown);
        return to;
    }

    Term convert(int open) {
        const auto items = itemRanges(open);
        if (items.size() < 2 || items.size() > 3)
            refuse(QStringLiteral("convert(%1)").arg(original(open + 1, match_[open])));
        Term value;
        value.text = scope(items[1].first, items[1].second, &value.type).trimmed();
        QString style;
        if (items.size() == 3) {
            style = original(items[2].first, items[2].second);
            if (!isWhole(style) || style.isEmpty())
                refuse(QStringLiteral("convert with the style %1").arg(style));
        }
        return converted(target(items[0].first, items[0].second), value, style);
    }

    // cast(x as type) is convert(type, x) without a style.
    Term cast(int open) {
        int as = -1;
        for (int j = open + 1; j < match_[open]; ++j) {
            if (t_[j].kind == Tok::Open)
                j = match_[j];
            else if (isWord(j, "as"))
                as = j;
        }
        if (as < 0) refuse(QStringLiteral("cast(%1)").arg(original(open + 1, match_[open])));
        Term value;
        value.text = scope(open + 1, as, &value.type).trimmed();
        return converted(target(as + 1, match_[open]), value, QString());
    }

    Term converted(const Target& to, const Term& value, const QString& style) {
        static const QSet<QString> whole = {"int", "integer", "bigint", "smallint", "tinyint"};
        static const QSet<QString> text = {"varchar", "nvarchar", "char", "nchar"};
        static const QSet<QString> dateStyles = {"103", "105", "112"};
        const QString& n = to.name;
        const QString& v = value.text;
        if (whole.contains(n) && to.args.isEmpty()) {  // a style means nothing for a number
            if (postgres()) return wholeOnPostgres(n, value);
            const QString type = n == u"integer" || n == u"int" ? QString() : ",'" + n + u'\'';
            return {QStringLiteral("pcp_cint(") + v + type + u')', Type::Number};
        }
        if (!style.isEmpty() && !dateStyles.contains(style))
            refuse(QStringLiteral("convert to %1 with the style %2").arg(to.shown, style));
        if (text.contains(n) && to.args.size() <= 1) {
            const QString length = to.args.isEmpty()      ? QStringLiteral("30")
                                   : to.args[0] == u"max" ? QStringLiteral("-1")
                                                          : to.args[0];
            if (!isWhole(length) && length != u"-1")
                refuse(QStringLiteral("convert to ") + to.shown);
            if (postgres()) return textOnPostgres(n, length, value, style);
            const QString fn = n.endsWith(QStringLiteral("varchar"))
                                   ? QStringLiteral("pcp_cvarchar(")
                                   : QStringLiteral("pcp_cchar(");
            return {fn + v + u',' + (style.isEmpty() ? QStringLiteral("NULL") : style) + u',' +
                        length + u')',
                    Type::Text};
        }
        if ((n == u"decimal" || n == u"numeric") && to.args.size() <= 2) return decimal(to, v);
        if ((n == u"datetime" || n == u"date") && to.args.isEmpty()) {
            if (postgres()) return dateOnPostgres(n, value, style);
            const QString fn =
                n == u"date" ? QStringLiteral("pcp_cdate(") : QStringLiteral("pcp_cdatetime(");
            return {fn + v + (style.isEmpty() ? QString() : u',' + style) + u')', Type::Date};
        }
        refuse(QStringLiteral("convert to ") + to.shown);
    }

    // decimal(p,s), decimal(p) and decimal, as SQL Server reads them.
    Term decimal(const Target& to, const QString& value) {
        const QString p = to.args.value(0, QStringLiteral("18")),
                      s = to.args.value(1, QStringLiteral("0"));
        const bool valid =
            isWhole(p) && isWhole(s) && p.toInt() >= 1 && p.toInt() <= 38 && s.toInt() <= p.toInt();
        if (!valid) refuse(QStringLiteral("convert to ") + to.shown);
        if (postgres())
            return {QStringLiteral("cast(%1 as numeric(%2,%3))").arg(value, p, s), Type::Number};
        return {QStringLiteral("pcp_cdecimal(%1,%2,%3)").arg(value, p, s), Type::Number};
    }

    // --- convert and cast on PostgreSQL ---------------------------------------------------

    // SQL Server truncates a number it converts to a whole type; PostgreSQL's cast rounds.
    static Term wholeOnPostgres(const QString& type, const Term& value) {
        const QString to = type == u"bigint"                           ? QStringLiteral("bigint")
                           : type == u"smallint" || type == u"tinyint" ? QStringLiteral("smallint")
                                                                       : QStringLiteral("integer");
        const QString number = value.type == Type::Number
                                   ? QStringLiteral("trunc(%1)").arg(value.text)
                               : value.type == Type::Text
                                   ? value.text
                                   : QStringLiteral("trunc(cast(%1 as numeric))").arg(value.text);
        return {QStringLiteral("cast(%1 as %2)").arg(number, to), Type::Number};
    }

    // The to_char picture of a date style SQL Server writes.
    static QString datePicture(const QString& style) {
        return style == u"103"   ? QStringLiteral("'DD/MM/YYYY'")
               : style == u"105" ? QStringLiteral("'DD-MM-YYYY'")
                                 : QStringLiteral("'YYYYMMDD'");
    }

    // A style formats a date (or a value not known to be text or number, as a
    // date column is); without one, PostgreSQL would write a date otherwise
    // than SQL Server, so that is refused.
    Term textOnPostgres(const QString& type, const QString& length, const Term& value,
                        const QString& style) const {
        const bool formatsDate =
            !style.isEmpty() && value.type != Type::Text && value.type != Type::Number;
        if (style.isEmpty() && value.type == Type::Date)
            refuse(QStringLiteral("convert of a date to %1 without a style").arg(type));
        const QString from =
            formatsDate ? QStringLiteral("to_char(%1, %2)").arg(value.text, datePicture(style))
                        : value.text;
        const QString to = length == u"-1"             ? QStringLiteral("varchar")
                           : type.endsWith(u"varchar") ? QStringLiteral("varchar(%1)").arg(length)
                                                       : QStringLiteral("char(%1)").arg(length);
        return {QStringLiteral("cast(%1 as %2)").arg(from, to), Type::Text};
    }

    // Dates are timestamps. A text with a style is read by that style's
    // picture: to_date, whose date becomes a timestamp exactly (to_timestamp
    // would pass through the session's time zone).
    static Term dateOnPostgres(const QString& type, const Term& value, const QString& style) {
        QString date;
        if (!style.isEmpty() && value.type != Type::Date)
            date = QStringLiteral("to_date(%1, %2)").arg(value.text, datePicture(style));
        else if (type == u"date")
            date = QStringLiteral("cast(%1 as date)").arg(value.text);
        else
            date = value.text;
        return {QStringLiteral("cast(%1 as timestamp)").arg(date), Type::Date};
    }

    std::vector<Token> t_;
    Database target_;
    std::vector<int> match_;  // for each '(' the index of its ')'
};

}  // namespace

QString TranslateTsqlToSqlite(const QString& tsql) {
    return Translator(Lexer(tsql, Database::Sqlite).run(), Database::Sqlite).run();
}

QString TranslateTsqlToPostgres(const QString& tsql) {
    return Translator(Lexer(tsql, Database::Postgres).run(), Database::Postgres).run();
}

}  // namespace pcp
