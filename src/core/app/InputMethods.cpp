#include "app/InputMethods.h"

#include <QProcess>
#include <QStandardPaths>

namespace tq {

namespace {

QString ibus() { return QStandardPaths::findExecutable(QStringLiteral("ibus")); }

} // namespace

QStringList InputMethods::installed()
{
    const QString exe = ibus();
    if (exe.isEmpty())
        return {};
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

bool InputMethods::switchTo(const QString &name)
{
    const QString exe = ibus();
    if (exe.isEmpty() || name.trimmed().isEmpty())
        return false;
    // Fire and forget: typing must never wait for the input-method daemon.
    return QProcess::startDetached(exe, {QStringLiteral("engine"), name.trimmed()});
}

} // namespace tq
