#include "PrintCommand.h"

#include "CliInteraction.h"
#include "app/Session.h"
#include "common/Error.h"
#include "entry/RecordPrintout.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace tq::cli {

QString printUsage()
{
    return QStringLiteral("  print CODE --out FILE.xlsx [--db FILE]\n"
                          "                         write the annual-report print-out of record CODE to FILE\n");
}

int runPrint(const QStringList &argsIn, QTextStream &out, QTextStream &err)
{
    QStringList args = argsIn;
    QString code, target, dbPath;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--out") || a == QLatin1String("--db")) {
            if (args.isEmpty()) {
                err << "tallowmere print: " << a << " needs a file name\n";
                return 2;
            }
            (a == QLatin1String("--out") ? target : dbPath) = args.takeFirst();
        } else if (a.startsWith(QLatin1String("--")) || !code.isEmpty()) {
            err << "tallowmere print: unexpected argument " << a << "\n";
            return 2;
        } else {
            code = a;
        }
    }
    if (code.isEmpty() || target.isEmpty()) {
        err << "usage: tallowmere print CODE --out FILE.xlsx [--db FILE]\n";
        return 2;
    }
    bool ok = false;
    const qint64 c901 = code.toLongLong(&ok);
    if (!ok || c901 <= 0) {
        err << "单位编码“" << code << "”无效\n";
        return 2;
    }
    try {
        Session session;
        session.openDatabase(dbPath);
        if (session.db().scalar(QStringLiteral("select count(*) from dt_data where c901=?"), {c901}).toLongLong() ==
            0) {
            err << "数据库中没有单位编码为 " << c901 << " 的记录\n";
            return 2;
        }
        // Messages of the print-out (a template that cannot be opened) are errors here.
        CliInteraction ui(err);
        entry::RecordPrintout printout(session.db(), ui);
        if (!printout.saveAs(entry::RecordPrintout::mainWindowTemplate(), QString::number(c901), target))
            return 2;
        out << QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath()) << "\n";
        return 0;
    } catch (const Error &e) {
        out.flush();
        err << e.text() << "\n";
        return 2;
    }
}

} // namespace tq::cli
