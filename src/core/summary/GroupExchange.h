#pragma once

#include <QString>
#include <QStringList>

namespace tq {
class Interaction;
class Settings;
namespace db {
class Database;
}
} // namespace tq

namespace tq::summary {

// Exchange of custom groupings between installations through small database
// files that hold just the grouping tables.
class GroupExchange {
public:
    // The exchanged tables, in order.
    static QStringList tables() { return {QStringLiteral("CT_Group"), QStringLiteral("DT_GroupItem")}; }
    // The folder both file dialogs start in: the Stat-Annals setting, else the
    // documents folder.
    static QString exchangeFolder(const Settings &settings);
    // The chosen name trimmed, with ".mdb" appended unless it already ends in
    // exactly that (with case); names of four characters or fewer stay as
    // they are. Empty when the name is.
    static QString applyFileNameRule(const QString &chosen);

    GroupExchange(Interaction &ui, QString folder) : m_ui(ui), m_folder(std::move(folder)) {}

    // Copies the groupings of `sourcePath` (the default database beside the
    // program) into a file the user chooses, replacing the tables there.
    // Failures raise tq::Error / DbError; the target then keeps what it had.
    void ExportGroups(const QString &sourcePath, const QStringList &tables = GroupExchange::tables());
    // Replaces the groupings of `db` with those of a file the user chooses,
    // keeping their ids; one transaction. Returns true when the import ran to
    // its end.
    bool ImportGroups(db::Database &db, const QStringList &tables = GroupExchange::tables());

private:
    Interaction &m_ui;
    QString m_folder;
};

} // namespace tq::summary
