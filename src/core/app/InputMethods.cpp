#include "app/InputMethods.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

namespace tq {

namespace {

QString ibus()
{
    return QStandardPaths::findExecutable(QStringLiteral("ibus"));
}
QString fcitx5()
{
    return QStandardPaths::findExecutable(QStringLiteral("fcitx5-remote"));
}

QStringList ibusEngines(const QString &exe)
{
    QProcess p;
    p.start(exe, {QStringLiteral("list-engine"), QStringLiteral("--name-only")});
    if (!p.waitForFinished(3000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        p.kill();
        return {};
    }
    QStringList names;
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QString name = line.trimmed();
        if (!name.isEmpty() && !name.endsWith(QLatin1Char(':')))
            names << name;
    }
    return names;
}

// Fcitx 5 keeps the methods the user has set up in its profile, one
// "Name=" entry per method of each group.
QStringList fcitx5Methods()
{
    const QString profile = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                                .filePath(QStringLiteral("fcitx5/profile"));
    QFile f(profile);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList names;
    bool inItem = false;
    for (const QByteArray &raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inItem = line.contains(QLatin1String("/Items/"));
        else if (inItem && line.startsWith(QLatin1String("Name="))) {
            const QString name = line.mid(5).trimmed();
            if (!name.isEmpty() && !names.contains(name))
                names << name;
        }
    }
    return names;
}

} // namespace

QStringList InputMethods::installed()
{
    if (const QString exe = ibus(); !exe.isEmpty())
        return ibusEngines(exe);
    if (!fcitx5().isEmpty())
        return fcitx5Methods();
    return {};
}

bool InputMethods::switchTo(const QString &name)
{
    if (name.trimmed().isEmpty())
        return false;
    // Fire and forget: typing must never wait for the input-method daemon.
    if (const QString exe = ibus(); !exe.isEmpty())
        return QProcess::startDetached(exe, {QStringLiteral("engine"), name.trimmed()});
    if (const QString exe = fcitx5(); !exe.isEmpty())
        return QProcess::startDetached(exe, {QStringLiteral("-s"), name.trimmed()});
    return false;
}

} // namespace tq
