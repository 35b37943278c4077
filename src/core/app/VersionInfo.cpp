#include "app/VersionInfo.h"

#include "app/BuildInfo.h"

namespace tq {

VersionInfo VersionInfo::current()
{
    return parse(QStringLiteral(TQ_PRODUCT_VERSION), QStringLiteral(TQ_FILE_VERSION));
}

VersionInfo VersionInfo::parse(const QString &productVersion, const QString &fileVersion)
{
    VersionInfo v;
    v.version = productVersion;
    const qsizetype dot = fileVersion.lastIndexOf(QLatin1Char('.'));
    bool ok = false;
    const int build = fileVersion.mid(dot + 1).toInt(&ok);
    v.build = (dot >= 0 && ok) ? build : -1;
    return v;
}

QString VersionInfo::displayText() const
{
    return QStringLiteral("%1 (Build %2)").arg(version).arg(build);
}

} // namespace tq
