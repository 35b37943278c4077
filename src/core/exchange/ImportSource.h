#pragma once

#include "common/Error.h"
#include "db/Database.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tq::exchange {

// A file that is not an intact database: truncated, damaged or of another kind.
class DamagedFileError : public FileError {
public:
    using FileError::FileError;
};

// A database file received from elsewhere, ready to be read. The file itself
// is never opened for writing: the program works on a private copy in the
// temporary folder (with a report file's header restored), so that a file on
// a read-only medium imports as well as any other and nothing the program
// does can change what the user was sent.
class ImportSource {
public:
    // Copies and checks `path`. Raises FileError when it cannot be read or
    // copied, DamagedFileError when the copy is not an intact database.
    ImportSource(const QString &path, bool restoreHeader);
    ImportSource(const ImportSource &) = delete;
    ImportSource &operator=(const ImportSource &) = delete;

    const QString &path() const { return m_path; }
    const QString &copyPath() const { return m_copy; }
    bool wasTransformed() const { return m_transformed; }

    db::Database &db() { return m_db; }
    bool hasTable(const QString &name) const { return m_db.hasTable(name); }
    // ct_label.db_name; raises DbError when the file has no label.
    QString label();

private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_copy;
    bool m_transformed = false;
    db::Database m_db;
};

} // namespace tq::exchange
