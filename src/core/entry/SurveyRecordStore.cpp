#include "entry/SurveyRecordStore.h"

#include "db/Database.h"

#include <QSet>
#include <QStringList>

namespace tq::entry {

qint64 SurveyRecordStore::proposeNextCode() const
{
    const QVariant v = m_db.scalar(QStringLiteral("SELECT MAX(c901)+1 as NSI FROM dt_data"));
    return v.isValid() && !v.isNull() ? v.toLongLong() : 0;
}

std::optional<QHash<QString, QVariant>> SurveyRecordStore::load(qint64 code) const
{
    db::Statement st = m_db.prepare(QStringLiteral("SELECT * from dt_data Where c901=?"));
    st.bind(1, code);
    if (!st.step())
        return std::nullopt;
    QHash<QString, QVariant> row;
    for (int c = 0; c < st.columnCount(); ++c)
        row.insert(st.columnName(c).toLower(), st.value(c));
    return row;
}

void SurveyRecordStore::save(const Values &values, bool append, qint64 storedCode)
{
    // Column names come from the field catalogue; write only real columns,
    // quoted, so that a catalogue of another file cannot inject anything.
    QSet<QString> columns;
    for (const QString &c : m_db.columnNames(QStringLiteral("dt_data")))
        columns.insert(c.toLower());
    QStringList names;
    QVariantList params;
    QSet<QString> seen;
    for (const auto &[name, value] : values) {
        const QString key = name.toLower();
        if (!columns.contains(key) || seen.contains(key))
            continue;
        seen.insert(key);
        names << QLatin1Char('"') + name + QLatin1Char('"');
        params << value;
    }
    if (names.isEmpty())
        throw db::DbError(QStringLiteral("没有可保存的字段"));
    QString sql;
    if (append) {
        QStringList marks;
        for (int i = 0; i < names.size(); ++i)
            marks << QStringLiteral("?");
        sql = QStringLiteral("INSERT INTO dt_data (%1) VALUES (%2)")
                  .arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    } else {
        QStringList sets;
        for (const QString &n : names)
            sets << n + QStringLiteral("=?");
        sql = QStringLiteral("UPDATE dt_data SET %1 WHERE c901=?").arg(sets.join(QLatin1Char(',')));
        params << storedCode;
    }
    db::Transaction tx(m_db);
    const int changed = m_db.exec(sql, params);
    if (!append && changed != 1)
        throw db::DbError(QStringLiteral("编码为%1的记录已不存在").arg(storedCode));
    tx.commit();
}

} // namespace tq::entry
