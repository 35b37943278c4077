#include "CommonOptions.h"

#include "Command.h"
#include "app/AppPaths.h"
#include "app/Session.h"
#include "app/Settings.h"

#include <QCommandLineParser>
#include <QDir>

namespace tq::cli {

namespace {
const QString DbOption = QStringLiteral("db");
const QString ReportFolderOption = QStringLiteral("report-folder");
} // namespace

void CommonOptions::addDatabase(QCommandLineParser &parser)
{
    parser.addOption({DbOption,
                      QStringLiteral("The survey database; without it, the default database beside the program."),
                      QStringLiteral("file")});
}

void CommonOptions::openDatabase(const QCommandLineParser &parser, Session &session)
{
    const QString path = parser.value(DbOption);
    if (parser.isSet(DbOption) && path.isEmpty())
        throw ArgumentError(QStringLiteral("--db needs a file name"));
    session.openDatabase(path);
}

void CommonOptions::addReportFolder(QCommandLineParser &parser)
{
    parser.addOption({ReportFolderOption,
                      QStringLiteral("The folder for the result file, created when missing; without it, the report "
                                     "folder of the settings."),
                      QStringLiteral("dir")});
}

QString CommonOptions::reportFolder(const QCommandLineParser &parser)
{
    QString folder = parser.value(ReportFolderOption);
    if (parser.isSet(ReportFolderOption) && folder.isEmpty())
        throw ArgumentError(QStringLiteral("--report-folder needs a folder name"));
    if (folder.isEmpty()) {
        Settings settings;
        folder = AppPaths::reportFolder(settings);
    }
    if (!QDir(folder).exists() && !QDir().mkpath(folder))
        throw Error(QStringLiteral("无法建立报告文件夹：") + folder);
    return folder;
}

} // namespace tq::cli
