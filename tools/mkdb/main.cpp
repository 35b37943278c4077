// Build tool: writes the default database, the report template and the other
// files that lie beside the program into the output folder.
//
// The default database is where the user's records live, so it is replaced
// only while it holds no records; the report template never holds records and
// is always written afresh.

#include "common/Gbk.h"
#include "db/Database.h"
#include "db/DefaultDataBuilder.h"
#include "summary/SheetList.h"

#include "../common/ToolArgs.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

using tq::db::Database;
using tq::db::DbError;

namespace {

QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}

// Builds into a temporary name first, so that a failed build never leaves a
// broken file under the real name.
void buildFresh(const tq::db::DefaultDataBuilder &builder, const QString &target)
{
    const QString tmp = target + QStringLiteral(".new");
    QFile::remove(tmp);
    builder.build(tmp);
    QFile::remove(target);
    if (!QFile::rename(tmp, target))
        throw DbError(QStringLiteral("cannot move %1 to %2").arg(tmp, target));
}

qint64 recordCount(const QString &path)
{
    Database db = Database::open(path);
    return db.scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toLongLong();
}

void copyFile(const QString &from, const QString &to)
{
    QFile::remove(to);
    if (!QFile::copy(from, to))
        throw DbError(QStringLiteral("cannot copy %1 to %2").arg(from, to));
}

// A check list beside the program: its text source is UTF-8, the file the
// program reads is GBK with CR LF line ends.
void writeCheckList(const QString &from, const QString &to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("cannot read %1").arg(from));
    const QStringList lines = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QStringList trimmed;
    for (const QString &l : lines)
        trimmed << QString(l).remove(QLatin1Char('\r'));
    const QByteArray bytes = tq::Gbk::lines(trimmed);
    const QString tmp = to + QStringLiteral(".new");
    QFile out(tmp);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size() || !out.flush())
        throw DbError(QStringLiteral("cannot write %1").arg(tmp));
    out.close();
    QFile::remove(to);
    if (!QFile::rename(tmp, to))
        throw DbError(QStringLiteral("cannot move %1 to %2").arg(tmp, to));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString dataDir, outDir;
    if (!tq::tools::dataAndOutDirs(app, "tq_mkdb", dataDir, outDir))
        return 2;
    try {
        QDir().mkpath(outDir);
        const QDir out(outDir);
        const tq::db::DefaultDataBuilder builder(dataDir);

        buildFresh(builder, out.filePath(QStringLiteral("view.dll")));

        const QString defaultDb = out.filePath(QStringLiteral("2009NB_tq.mdb"));
        bool replace = true;
        if (QFileInfo::exists(defaultDb)) {
            try {
                const qint64 n = recordCount(defaultDb);
                if (n > 0) {
                    replace = false;
                    err() << "tq_mkdb: keeping " << defaultDb << ": it holds " << n << " records\n";
                }
            } catch (const DbError &e) {
                replace = false;
                err() << "tq_mkdb: keeping " << defaultDb << " untouched: " << e.text() << "\n";
            }
        }
        if (replace)
            buildFresh(builder, defaultDb);

        copyFile(QDir(dataDir).filePath(QStringLiteral("OldVersion.ini")),
                 out.filePath(QStringLiteral("OldVersion.ini")));
        writeCheckList(QDir(dataDir).filePath(QStringLiteral("exporttable.txt")),
                       out.filePath(QStringLiteral("exporttable.tq")));
        // The summary dialog keeps its ticks in this file; ship the list so that
        // the first opening finds it, and never overwrite a user's ticks.
        const QString sumList = out.filePath(tq::summary::SheetList::fileName());
        if (!QFileInfo::exists(sumList))
            tq::summary::SheetList::builtIn().write(sumList);
        const QDir notes(QDir(dataDir).filePath(QStringLiteral("notes")));
        out.mkpath(QStringLiteral("notes"));
        for (const QFileInfo &f : notes.entryInfoList(QDir::Files))
            copyFile(f.absoluteFilePath(), out.filePath(QStringLiteral("notes/") + f.fileName()));
    } catch (const tq::Error &e) {
        err() << "tq_mkdb: " << e.text() << "\n";
        return 1;
    }
    return 0;
}
