#pragma once

#include <QString>
#include <QStringList>

namespace tq::db {

// Builds a survey database file from the text sources of the data folder:
// schema.sql, the field catalogue, the code tables and the rule list from
// which the on-screen page rules are derived.
class DefaultDataBuilder {
public:
    explicit DefaultDataBuilder(QString dataDir);

    // Creates `path` (which must not exist yet) with schema and code tables,
    // no records, and the given label. Raises DbError on any failure and then
    // leaves no half-built file behind.
    void build(const QString &path, const QString &label = QStringLiteral("默认数据库")) const;

    // The schema script with the survey columns filled in.
    QString schemaScript() const;

private:
    QString file(const QString &name) const;
    QString m_dataDir;
};

} // namespace tq::db
