#pragma once

#include <QString>

namespace tq {
class Interaction;
class Session;
} // namespace tq

namespace tq::exchange {

// The two commands that work on the open database file as a whole: a backup
// copy of it and its compaction. Both close the working connection while they
// touch the file and open it again afterwards, whatever happened.
class DatabaseMaintenance {
public:
    DatabaseMaintenance(Session &session, Interaction &ui);

    // "数据备份": asks where to put the copy, writes it and says "备份成功".
    // false when the user cancelled. A failed copy raises its error once the
    // database is open again.
    bool backup();
    // The copy alone, to exactly `target`; raises on failure (the database is
    // open again by then).
    void backupTo(const QString &target);

    // "压缩数据库文件": rewrites the open file compactly and says how it went;
    // a failure leaves the file as it was. true on success.
    bool compact();
    // The compaction alone; raises on failure (the database is open again by
    // then, the file as it was).
    void compactOpenFile();

    // The backup file's name: ".mdb" is appended to a file name of more than
    // four characters that does not end in ".mdb" (exact case); shorter names
    // stay as they are.
    static QString backupFileName(const QString &chosen);

private:
    // Runs `work` on the closed file, then opens it again.
    template <typename Work> void withConnectionClosed(Work work);

    Session &m_session;
    Interaction &m_ui;
};

} // namespace tq::exchange
