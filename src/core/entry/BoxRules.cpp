#include "entry/BoxRules.h"

#include "common/Error.h"
#include "db/FieldCatalogue.h"
#include "entry/EditorResources.h"

#include <QRegularExpression>
#include <QStringList>

namespace tq::entry {

namespace {

// "MIN..MAX" or "FIRST..LAST".
bool splitRange(const QString &token, QString &from, QString &to)
{
    const qsizetype at = token.indexOf(QLatin1String(".."));
    if (at <= 0 || at + 2 >= token.size())
        return false;
    from = token.left(at);
    to = token.mid(at + 2);
    return true;
}

} // namespace

bool Gate::covers(const QString &name) const
{
    return name.size() == first.size() && name.at(0) == first.at(0) && name >= first && name <= last;
}

BoxRules BoxRules::parse(const QString &text)
{
    BoxRules rules;
    bool haveSpareDefault = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const auto fail = [&](const QString &why) {
            return Error(QStringLiteral("编辑框规则第%1行%2：%3").arg(n + 1).arg(why, line));
        };
        static const QRegularExpression blanks(QStringLiteral("\\s+"));
        QStringList words = line.split(blanks, Qt::SkipEmptyParts);
        const QString keyword = words.takeFirst();
        for (QString &w : words)
            w = w.toLower();

        if (keyword == QLatin1String("decimals")) {
            if (words.isEmpty())
                throw fail(QStringLiteral("没有编辑框"));
            for (const QString &w : words)
                rules.m_decimals.insert(w, true);
            continue;
        }
        if (keyword == QLatin1String("gate")) {
            Gate g;
            if (words.size() != 2 || !splitRange(words[1], g.first, g.last) || g.first.size() != g.last.size() ||
                g.first.at(0) != g.last.at(0) || g.first > g.last)
                throw fail(QStringLiteral("应为 gate 问题 首项..末项"));
            g.question = words[0];
            rules.m_gates.append(g);
            continue;
        }
        if (keyword != QLatin1String("kind") && keyword != QLatin1String("spare") && keyword != QLatin1String("box"))
            throw fail(QStringLiteral("不认识的关键字"));

        // NAME... MIN..MAX [DIGITS]
        BoxLimits limits;
        qsizetype at = words.size() - 1;
        if (at >= 0 && !words[at].contains(QLatin1String(".."))) {
            bool ok = false;
            limits.digits = words[at].toInt(&ok);
            if (!ok || limits.digits < 0)
                throw fail(QStringLiteral("位数不是整数"));
            --at;
        }
        QString from, to;
        bool okMin = false, okMax = false;
        if (at < 0 || !splitRange(words[at], from, to))
            throw fail(QStringLiteral("没有范围"));
        limits.minimum = from.toLongLong(&okMin);
        limits.maximum = to.toLongLong(&okMax);
        if (!okMin || !okMax || limits.minimum > limits.maximum)
            throw fail(QStringLiteral("范围不对"));
        const QStringList names = words.mid(0, at);
        if (keyword == QLatin1String("kind")) {
            if (names.size() != 1 || (names[0] != QLatin1String("number") && names[0] != QLatin1String("yesno")))
                throw fail(QStringLiteral("应为 kind number 或 kind yesno"));
            rules.m_kinds.insert(names[0], limits);
        } else if (keyword == QLatin1String("spare") && names.isEmpty()) {
            rules.m_spareDefault = limits;
            haveSpareDefault = true;
        } else if (names.isEmpty()) {
            throw fail(QStringLiteral("没有编辑框"));
        } else {
            for (const QString &name : names)
                (keyword == QLatin1String("box") ? rules.m_boxes : rules.m_spare).insert(name, limits);
        }
    }
    if (!haveSpareDefault || !rules.m_kinds.contains(QStringLiteral("number")) ||
        !rules.m_kinds.contains(QStringLiteral("yesno")))
        throw Error(QStringLiteral("编辑框规则不全：需要 kind number、kind yesno 和不带编辑框的 spare"));
    return rules;
}

const BoxRules &BoxRules::standard()
{
    static const BoxRules rules = parse(editorResource(QStringLiteral("boxes.txt")));
    return rules;
}

BoxLimits BoxRules::limits(const QString &name, const db::CatalogueField *field) const
{
    const QString key = name.toLower();
    BoxLimits limits = m_spareDefault;
    if (const auto it = m_boxes.constFind(key); it != m_boxes.constEnd())
        limits = *it;
    else if (field && field->kind == db::FieldKind::Number)
        limits = m_kinds.value(QStringLiteral("number"));
    else if (field && field->kind == db::FieldKind::YesNo)
        limits = m_kinds.value(QStringLiteral("yesno"));
    else
        limits = m_spare.value(key, m_spareDefault);
    limits.decimals = m_decimals.contains(key);
    return limits;
}

bool BoxRules::isGate(const QString &name) const
{
    const QString key = name.toLower();
    for (const Gate &g : m_gates)
        if (g.question == key)
            return true;
    return false;
}

} // namespace tq::entry
