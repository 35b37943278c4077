// Build tool: compiles the consistency rules of the rule list (logic_rules.tsv)
// into the rule table of the batch check. It writes RuleFields.h, the value
// slots the rules read, and RuleTable.cpp, every rule's failure condition as
// C++ code with the explanation and the rule text beside it.
//
// The same list feeds the on-screen rules of the default database and the
// synthetic records, so the condition is translated with the meaning those
// give it: SQL's precedence, comparisons and logic yielding 1 or 0, arithmetic
// on 64-bit whole numbers. The tool runs before the core library is built and
// therefore stands on QtCore (and the catalogue's CSV reader and the
// conditions' grammar) alone.

#include "common/Csv.h"
#include "logic/RuleGrammar.h"

#include "../common/ToolArgs.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

struct ToolError {
    QString text;
};

QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}

// Survey fields by lower-case name, numbered in the order of the field catalogue.
QHash<QString, int> catalogueFields(const QString &path)
{
    QList<QStringList> rows;
    try {
        rows = tq::Csv::readFile(path);
    } catch (const std::exception &e) {
        throw ToolError{QString::fromUtf8(e.what())};
    }
    const int nameCol = int(rows.value(0).indexOf(QStringLiteral("FieldName")));
    if (nameCol < 0)
        throw ToolError{QStringLiteral("%1: no FieldName column").arg(path)};
    QHash<QString, int> fields;
    for (qsizetype r = 1; r < rows.size(); ++r)
        fields.insert(rows[r].value(nameCol).toLower(), int(r));
    return fields;
}

// The C++ text of one part of a condition. Arithmetic becomes calls of the
// saturating helpers, so every number-valued part is a single operand; only
// comparisons and the logical operators stand as infix operators.
struct Expr {
    enum class Shape { Atom, Compare, And, Or };
    QString code;
    bool isBool = false;
    Shape shape = Shape::Atom;
};

// Writes a parsed condition as a C++ expression of type bool over `v`, with the
// meaning the synthetic records' evaluator gives it.
class Translator {
public:
    Translator(const tq::logic::RuleTree &tree, const QHash<QString, int> &known) : m_tree(tree), m_known(known) {}

    QString run() const { return asBool(translate(m_tree.root)).code; }

private:
    using Op = tq::logic::RuleTree::Op;

    // SQL: a number is true when it is not 0; a truth is 1 or 0 as a number.
    static Expr asBool(const Expr &e)
    {
        return e.isBool ? e : Expr{e.code + QStringLiteral(" != 0"), true, Expr::Shape::Compare};
    }
    static Expr asInt(const Expr &e)
    {
        return e.isBool ? Expr{QStringLiteral("qint64(%1)").arg(e.code), false, Expr::Shape::Atom} : e;
    }
    static QString grouped(const Expr &e, Expr::Shape needsParens)
    {
        return e.shape == needsParens ? QLatin1Char('(') + e.code + QLatin1Char(')') : e.code;
    }
    static Expr call(const char *helper, const Expr &a, const Expr &b)
    {
        return {QStringLiteral("%1(%2, %3)").arg(QLatin1StringView(helper), asInt(a).code, asInt(b).code)};
    }
    // A comparison as an operand is a number here (asInt), so chains like
    // a = b = c keep SQL's meaning.
    static Expr compare(const Expr &a, const char *op, const Expr &b)
    {
        return {asInt(a).code + QLatin1Char(' ') + QLatin1StringView(op) + QLatin1Char(' ') + asInt(b).code, true,
                Expr::Shape::Compare};
    }

    Expr translate(int i) const
    {
        const tq::logic::RuleTree::Node &n = m_tree.nodes[std::size_t(i)];
        switch (n.op) {
        case Op::Const:
            return {QString::number(n.value)}; // no leading zeros: they would read as octal
        case Op::Field:
            return {QStringLiteral("v[%1]").arg(m_known.key(int(n.value)))};
        case Op::Neg:
            return {QStringLiteral("negSat(%1)").arg(asInt(translate(n.a)).code)};
        case Op::Add:
            return call("addSat", translate(n.a), translate(n.b));
        case Op::Sub:
            return call("subSat", translate(n.a), translate(n.b));
        case Op::Mul:
            return call("mulSat", translate(n.a), translate(n.b));
        case Op::Div:
            return call("divSat", translate(n.a), translate(n.b));
        case Op::Eq:
            return compare(translate(n.a), "==", translate(n.b));
        case Op::Ne:
            return compare(translate(n.a), "!=", translate(n.b));
        case Op::Lt:
            return compare(translate(n.a), "<", translate(n.b));
        case Op::Le:
            return compare(translate(n.a), "<=", translate(n.b));
        case Op::Gt:
            return compare(translate(n.a), ">", translate(n.b));
        case Op::Ge:
            return compare(translate(n.a), ">=", translate(n.b));
        case Op::And:
            return {grouped(asBool(translate(n.a)), Expr::Shape::Or) + QStringLiteral(" && ") +
                        grouped(asBool(translate(n.b)), Expr::Shape::Or),
                    true, Expr::Shape::And};
        case Op::Or:
            // && inside || is unambiguous, but the parentheses say what SQL's
            // precedence says and keep the compiler's warning quiet.
            return {grouped(asBool(translate(n.a)), Expr::Shape::And) + QStringLiteral(" || ") +
                        grouped(asBool(translate(n.b)), Expr::Shape::And),
                    true, Expr::Shape::Or};
        case Op::Not:
            return {QStringLiteral("!(%1)").arg(asBool(translate(n.a)).code), true, Expr::Shape::Atom};
        }
        return {};
    }

    const tq::logic::RuleTree &m_tree;
    const QHash<QString, int> &m_known;
};

struct RuleLine {
    int no = 0;
    QByteArray explain; // UTF-8, as it stands in the list
    QByteArray text;
    QString condition; // C++
};

// Reads the rule list: lines of no, fails_when, explain and rule separated by
// tabs; empty lines and lines starting with '#' are skipped. Anything the
// default database's builder would read differently is refused here.
std::vector<RuleLine> readRules(const QString &path, const QHash<QString, int> &known, QList<int> &usedFields)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw ToolError{QStringLiteral("cannot read %1: %2").arg(path, f.errorString())};
    const QList<QByteArray> lines = f.readAll().split('\n');
    std::vector<RuleLine> rules;
    static const QRegularExpression numberRe(QStringLiteral("^[1-9][0-9]{0,8}$"));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNo = int(i + 1);
        const auto fail = [&](const QString &why) {
            throw ToolError{QStringLiteral("%1:%2: %3").arg(path).arg(lineNo).arg(why)};
        };
        const QByteArray &bytes = lines[i];
        if (i == 0 && bytes.startsWith("\xEF\xBB\xBF"))
            fail(QStringLiteral("the file starts with a byte order mark; save it as UTF-8 without one"));
        QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString line = decode(bytes);
        if (decode.hasError())
            fail(QStringLiteral("not valid UTF-8"));
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        for (const QChar c : line) {
            if ((c < u' ' && c != u'\t') || c == QChar(0x7f))
                fail(QStringLiteral("control character U+%1%2")
                         .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0'),
                              c == u'\r' ? QStringLiteral(" (save the list with LF line ends)") : QString()));
        }
        const QStringList cols = line.split(u'\t');
        if (cols.size() != 4)
            fail(QStringLiteral("expected 4 tab-separated columns (no, fails_when, explain, rule), found %1")
                     .arg(cols.size()));
        if (!numberRe.match(cols[0]).hasMatch())
            fail(QStringLiteral("rule number expected, found '%1'").arg(cols[0]));
        RuleLine r;
        r.no = cols[0].toInt();
        if (!rules.empty() && r.no == rules.back().no)
            fail(QStringLiteral("rule %1 appears twice").arg(r.no));
        if (!rules.empty() && r.no < rules.back().no)
            fail(QStringLiteral("rule %1 follows rule %2: the numbers must rise").arg(r.no).arg(rules.back().no));
        if (cols[1].trimmed().isEmpty())
            fail(QStringLiteral("rule %1: empty condition").arg(r.no));
        try {
            const auto tree = tq::logic::RuleTree::parse(
                cols[1], [&](const QString &name) { return known.value(name, -1); }, tq::logic::RuleCharset::Ascii);
            r.condition = Translator(tree, known).run();
            if (tree.fields.empty())
                fail(QStringLiteral("rule %1: the condition names no field").arg(r.no));
            for (int field : tree.fields) {
                if (!usedFields.contains(field))
                    usedFields << field;
            }
        } catch (const tq::logic::RuleSyntaxError &e) {
            const int column = int(cols[0].size()) + 1 + e.pos + 1;
            throw ToolError{
                QStringLiteral("%1:%2:%3: rule %4: %5").arg(path).arg(lineNo).arg(column).arg(r.no).arg(e.message())};
        }
        r.explain = cols[2].toUtf8();
        r.text = cols[3].toUtf8();
        rules.push_back(std::move(r));
    }
    if (rules.empty())
        throw ToolError{QStringLiteral("%1: no rules").arg(path)};
    return rules;
}

// A C++ string literal holding exactly these UTF-8 bytes. Characters beyond
// ASCII stay as they are (the sources are UTF-8 throughout); a question mark
// is escaped so that no pair of them can ever be read as a trigraph.
QByteArray literal(const QByteArray &utf8)
{
    QByteArray out = "\"";
    for (const char ch : utf8) {
        const auto b = static_cast<unsigned char>(ch);
        if (b == '"' || b == '\\' || b == '?') {
            out += '\\';
            out += ch;
        } else if (b < 0x20 || b == 0x7f) {
            out += '\\';
            out += QByteArray::number(b, 8).rightJustified(3, '0');
        } else {
            out += ch;
        }
    }
    return out + '"';
}

void writeFile(const QString &path, const QByteArray &content)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size() || !f.commit())
        throw ToolError{QStringLiteral("cannot write %1: %2").arg(path, f.errorString())};
}

QByteArray fieldsHeader(const QStringList &names, std::size_t ruleCount)
{
    QByteArray h;
    h += "#pragma once\n\n"
         "// Written by tq_mkrules from data/logic_rules.tsv and data/fieldlist.csv at\n"
         "// build time: the fields the consistency rules read. Edit the rule list.\n\n"
         "#include <cstddef>\n\n"
         "namespace tq::logic {\n\n"
         "// How many rules the rule list holds.\n"
         "inline constexpr std::size_t kRuleCount = " +
         QByteArray::number(qulonglong(ruleCount)) +
         ";\n\n"
         "} // namespace tq::logic\n\n"
         "namespace tq::logic::rulefield {\n\n"
         "// Slots of the values a rule reads, in survey order.\n"
         "enum Field {\n";
    for (const QString &n : names)
        h += "    " + n.toLatin1() + ",\n";
    h += "    Count\n};\n\ninline constexpr const char *kNames[Count] = {";
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (i % 10 == 0)
            h += "\n   ";
        h += " \"" + names[i].toLatin1() + "\",";
    }
    h += "\n};\n\n} // namespace tq::logic::rulefield\n";
    return h;
}

QByteArray ruleTable(const std::vector<RuleLine> &rules)
{
    QByteArray c;
    c += "// Written by tq_mkrules from data/logic_rules.tsv at build time: each rule's\n"
         "// failure condition as compiled code. Edit the rule list.\n\n"
         "#include \"logic/RuleArithmetic.h\"\n"
         "#include \"logic/RuleCatalogue.h\"\n\n"
         "namespace tq::logic {\n\n"
         "using namespace rulefield;\n"
         "using namespace rulemath;\n"
         "using V = RuleValues;\n\n"
         "const std::array<Rule, kRuleCount> &RuleCatalogue::rules()\n"
         "{\n"
         "    static const std::array<Rule, kRuleCount> table{{\n";
    for (const RuleLine &r : rules) {
        c += "        {" + QByteArray::number(r.no) + ", " + literal(r.explain) + ", " + literal(r.text) +
             ",\n         [](const V &v) { return " + r.condition.toLatin1() + "; }},\n";
    }
    c += "    }};\n"
         "    return table;\n"
         "}\n\n"
         "} // namespace tq::logic\n";
    return c;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString dataDir, outDir;
    if (!tq::tools::dataAndOutDirs(app, "tq_mkrules", dataDir, outDir))
        return 2;
    try {
        const QDir data(dataDir);
        const QHash<QString, int> known = catalogueFields(data.filePath(QStringLiteral("fieldlist.csv")));
        QList<int> used;
        const std::vector<RuleLine> rules = readRules(data.filePath(QStringLiteral("logic_rules.tsv")), known, used);

        // Slots in catalogue order: the order of the survey's pages.
        std::sort(used.begin(), used.end());
        QStringList names;
        for (int field : used)
            names << known.key(field);

        if (!QDir().mkpath(outDir))
            throw ToolError{QStringLiteral("cannot create %1").arg(outDir)};
        const QDir out(outDir);
        writeFile(out.filePath(QStringLiteral("RuleFields.h")), fieldsHeader(names, rules.size()));
        writeFile(out.filePath(QStringLiteral("RuleTable.cpp")), ruleTable(rules));
    } catch (const ToolError &e) {
        err() << e.text << "\n";
        return 1;
    }
    return 0;
}
