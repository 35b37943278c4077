#include "app/AppPaths.h"

#include "app/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace tq {

namespace {
QString &programDirOverride()
{
    static QString dir;
    return dir;
}
} // namespace

QString AppPaths::programDir()
{
    if (!programDirOverride().isEmpty())
        return programDirOverride();
    return QCoreApplication::applicationDirPath();
}

void AppPaths::setProgramDir(const QString &dir)
{
    programDirOverride() = dir;
}

QString AppPaths::inProgramDir(const QString &fileName)
{
    return QDir(programDir()).filePath(fileName);
}

QString AppPaths::defaultDatabasePath()
{
    return inProgramDir(QStringLiteral("2009NB_tq.mdb"));
}

QString AppPaths::reportTemplatePath()
{
    return inProgramDir(QStringLiteral("view.dll"));
}

QString AppPaths::documentsDir()
{
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return docs.isEmpty() ? QDir::homePath() : docs;
}

QString AppPaths::reportFolder(const Settings &settings)
{
    const QString chosen = settings.readString(QString(), QStringLiteral("ReportFolder"));
    if (!chosen.isEmpty() && QDir(chosen).exists())
        return chosen;
    return documentsDir();
}

} // namespace tq
