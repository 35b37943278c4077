#include "logic/RuleCatalogue.h"

#include "db/Database.h"
#include "logic/ExplanationRenderer.h"

#include <QHash>
#include <sqlite3.h>

namespace tq::logic {

bool RuleCatalogue::CheckRecordRules(const RuleValues &record, ExplanationRenderer &renderer, const RuleSink &sink)
{
    return forEachFailure(record, [&](int i) {
        const Rule &r = rules()[std::size_t(i)];
        sink(QString::fromUtf8(r.ruleText), renderer.renderCached(r.explainTemplate));
    });
}

RuleValueReader::RuleValueReader(const db::Statement &source)
{
    QHash<QString, int> byName;
    for (int c = 0; c < source.columnCount(); ++c)
        byName.insert(source.columnName(c).toLower(), c);
    for (int f = 0; f < rulefield::Count; ++f) {
        const QString name = QString::fromLatin1(rulefield::kNames[f]);
        const auto it = byName.constFind(name);
        if (it == byName.constEnd())
            throw db::DbError(QStringLiteral("数据表中没有字段 %1").arg(name));
        m_columns[std::size_t(f)] = *it;
    }
}

void RuleValueReader::read(const db::Statement &source, RuleValues &out) const
{
    sqlite3_stmt *h = source.handle();
    for (int f = 0; f < rulefield::Count; ++f) {
        sqlite3_value *v = sqlite3_column_value(h, m_columns[std::size_t(f)]);
        // NULL reads as 0; a stray real value is rounded like a box would round it.
        if (sqlite3_value_type(v) == SQLITE_FLOAT)
            out.v[std::size_t(f)] = qRound64(sqlite3_value_double(v));
        else
            out.v[std::size_t(f)] = sqlite3_value_int64(v);
    }
}

} // namespace tq::logic
