#include "Fixtures.h"

#include "db/DefaultDataBuilder.h"

#include <QDir>
#include <QFile>

namespace tq::test {

QString builtDefaultDatabase()
{
    return QDir(QStringLiteral(TQ_BIN_DIR)).filePath(QStringLiteral("2009NB_tq.mdb"));
}

QString dataDir()
{
    return QStringLiteral(TQ_DATA_DIR);
}

QString newSurveyDatabase(const QTemporaryDir &dir, const QString &name)
{
    const QString target = dir.filePath(name);
    QFile::remove(target);
    db::DefaultDataBuilder(dataDir()).build(target);
    return target;
}

} // namespace tq::test
