#include "entry/RecordValues.h"

#include "db/FieldCatalogue.h"
#include "entry/LevelRules.h"

namespace tq::entry {

void RecordValues::setBoxes(const QStringList &numbers, const QStringList &texts, const QStringList &others)
{
    m_boxes.clear();
    m_index.clear();
    m_columns.clear();
    m_cleared.clear();
    const auto add = [this](const QString &name, bool text) {
        Box b;
        b.name = name;
        b.text = text;
        m_index.insert(name.toLower(), int(m_boxes.size()));
        m_boxes.push_back(std::move(b));
    };
    for (const QString &n : numbers)
        add(n, false);
    for (const QString &n : texts)
        add(n, true);
    m_others.clear();
    for (const QString &n : others)
        m_others.insert(n.toLower());
}

void RecordValues::bind(const db::FieldCatalogue &catalogue, const BoxRules &rules)
{
    m_columns.clear();
    m_cleared.clear();
    for (const db::CatalogueField &f : catalogue.fields()) {
        const auto it = m_index.constFind(f.fieldName.toLower());
        if (it == m_index.constEnd() || m_boxes[std::size_t(*it)].text != (f.kind == db::FieldKind::Text) ||
            (f.kind != db::FieldKind::Text && !db::isNumeric(f.kind)))
            continue;
        m_columns.push_back({f.fieldName, *it});
        if (f.kind != db::FieldKind::CoverNumber)
            m_cleared.push_back(*it);
    }
    for (Box &b : m_boxes) {
        const db::CatalogueField *f = catalogue.byFieldName(b.name);
        b.rule = f ? f->rule : QString();
        b.hasRule = f && !f->rule.isEmpty() && (b.text ? f->kind == db::FieldKind::Text : db::isNumeric(f->kind));
        b.gates.clear();
        if (b.text)
            continue;
        b.limits = rules.limits(b.name, f);
        for (const Gate &g : rules.gates()) {
            const auto gate = m_index.constFind(g.question);
            if (g.covers(b.name.toLower()) && gate != m_index.constEnd() && !m_boxes[std::size_t(*gate)].text)
                b.gates.push_back(*gate);
        }
    }
}

RecordValues::Box *RecordValues::find(const QString &name)
{
    const auto it = m_index.constFind(name.toLower());
    return it == m_index.constEnd() ? nullptr : &m_boxes[std::size_t(*it)];
}

const RecordValues::Box *RecordValues::find(const QString &name) const
{
    const auto it = m_index.constFind(name.toLower());
    return it == m_index.constEnd() ? nullptr : &m_boxes[std::size_t(*it)];
}

bool RecordValues::hasNumber(const QString &name) const
{
    const Box *b = find(name);
    return b && !b->text;
}

bool RecordValues::hasText(const QString &name) const
{
    const Box *b = find(name);
    return b && b->text;
}

qint64 RecordValues::number(const QString &name) const
{
    const Box *b = find(name);
    return b && !b->text ? b->number : 0;
}

QString RecordValues::text(const QString &name) const
{
    const Box *b = find(name);
    return b && b->text ? b->str : QString();
}

bool RecordValues::setNumber(const QString &name, qint64 value)
{
    Box *b = find(name);
    if (!b || b->text || b->number == value)
        return false;
    b->number = value;
    return true;
}

bool RecordValues::setText(const QString &name, const QString &text)
{
    Box *b = find(name);
    if (!b || !b->text || b->str == text)
        return false;
    b->str = text;
    return true;
}

bool RecordValues::isOpen(const QString &name) const
{
    const Box *b = find(name);
    return !b || b->open;
}

BoxLimits RecordValues::limits(const QString &name) const
{
    const Box *b = find(name);
    return b ? b->limits : BoxLimits{};
}

void RecordValues::clearBound()
{
    for (int i : m_cleared) {
        Box &b = m_boxes[std::size_t(i)];
        b.number = 0;
        b.str.clear();
    }
}

void RecordValues::loadRow(const QHash<QString, QVariant> &row)
{
    for (const Column &c : m_columns) {
        Box &b = m_boxes[std::size_t(c.box)];
        const QVariant v = row.value(c.name.toLower());
        if (b.text)
            b.str = v.toString();
        else
            b.number = v.isNull() ? 0 : qRound64(v.toDouble());
    }
}

SurveyRecordStore::Values RecordValues::columns() const
{
    SurveyRecordStore::Values values;
    values.reserve(qsizetype(m_columns.size()));
    for (const Column &c : m_columns) {
        const Box &b = m_boxes[std::size_t(c.box)];
        values.append({c.name, b.text ? QVariant(b.str.trimmed()) : QVariant(b.number)});
    }
    return values;
}

bool RecordValues::applyRules()
{
    const Box *levelBox = find(QStringLiteral("c904"));
    const int level = levelBox && !levelBox->text ? int(levelBox->number) : 10;
    // The catalogue repeats a handful of rules over many boxes.
    QHash<QString, bool> holds;
    const auto takes = [&](const Box &b) {
        if (!b.hasRule)
            return true;
        auto it = holds.constFind(b.rule);
        if (it == holds.constEnd())
            it = holds.insert(b.rule, LevelRuleHolds(level, b.rule));
        return *it;
    };
    std::vector<char> open(m_boxes.size());
    for (std::size_t i = 0; i < m_boxes.size(); ++i)
        open[i] = (m_boxes[i].text && !m_boxes[i].hasRule) ? m_boxes[i].open : takes(m_boxes[i]);
    // A gate its level closes holds 0 and so closes its boxes too.
    for (bool closedOne = true; closedOne;) {
        closedOne = false;
        for (std::size_t i = 0; i < m_boxes.size(); ++i) {
            for (int gate : m_boxes[i].gates) {
                const auto g = std::size_t(gate);
                if (open[i] && (!open[g] || m_boxes[g].number != 1)) {
                    open[i] = false;
                    closedOne = true;
                }
            }
        }
    }
    bool changed = false;
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        Box &b = m_boxes[i];
        changed = changed || b.open != bool(open[i]);
        b.open = open[i];
        if (!b.open && (b.number != 0 || !b.str.isEmpty())) {
            b.number = 0;
            b.str.clear();
            changed = true;
        }
    }
    return changed;
}

logic::BoxValues::Kind RecordValues::boxKind(const QString &name) const
{
    if (const Box *b = find(name))
        return b->text ? Kind::Other : Kind::Numeric;
    return m_others.contains(name.toLower()) ? Kind::Other : Kind::Missing;
}

} // namespace tq::entry
