#include "app/Settings.h"

#include <QDir>
#include <QSettings>

namespace tq {

namespace {

QString valuePath(const QString &key, const QString &name)
{
    return key.isEmpty() ? name : key + u'/' + name;
}

} // namespace

Settings::Settings(const QString &iniPath)
{
    QString path = iniPath;
    if (path.isEmpty())
        path = qEnvironmentVariable("TALLOWMERE_SETTINGS");
    if (path.isEmpty())
        m_store = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Corvenlo"),
                                              QStringLiteral("Tallowmere"));
    else
        m_store = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

Settings::~Settings() = default;

QString Settings::filePath() const
{
    return m_store->fileName();
}

QString Settings::readString(const QString &key, const QString &name, const QString &def) const
{
    const QString v = m_store->value(valuePath(key, name)).toString();
    return v.isEmpty() ? def : v;
}

int Settings::readInteger(const QString &key, const QString &name, int def) const
{
    bool ok = false;
    const int v = m_store->value(valuePath(key, name)).toString().trimmed().toInt(&ok);
    return ok ? v : def;
}

bool Settings::contains(const QString &key, const QString &name) const
{
    return m_store->contains(valuePath(key, name));
}

bool Settings::sync()
{
    m_store->sync();
    return m_store->status() == QSettings::NoError;
}

bool Settings::writeString(const QString &key, const QString &name, const QString &value)
{
    m_store->setValue(valuePath(key, name), value);
    return sync();
}

bool Settings::writeInteger(const QString &key, const QString &name, int value)
{
    m_store->setValue(valuePath(key, name), value);
    return sync();
}

bool Settings::writeBool(const QString &key, const QString &name, bool value)
{
    m_store->setValue(valuePath(key, name), value ? 1 : 0);
    return sync();
}

Preferences initialiseSettings(Settings &settings, const QString &programDir)
{
    Preferences prefs;
    // Nothing in the program writes Version (the installer would), so a machine
    // without it gets the first-start values on every start.
    if (settings.readString(Settings::MainKey, QStringLiteral("Version"), QStringLiteral("000")) ==
        QLatin1String("000")) {
        settings.writeString(Settings::MainKey, QStringLiteral("ServicePack"), QStringLiteral("None"));
        settings.writeString(Settings::MainKey, QStringLiteral("FilePath"), QDir::toNativeSeparators(programDir));
        settings.writeInteger(Settings::MainKey, QStringLiteral("AppTyp"), 1);
        settings.writeString(Settings::EnvKey, QStringLiteral("ImePrefer"), QString());
        settings.writeInteger(Settings::EnvKey, QStringLiteral("InputWndStyle"), 0);
        return prefs;
    }
    prefs.imePrefer = settings.readString(Settings::EnvKey, QStringLiteral("ImePrefer"));
    prefs.inputWndStyle = settings.readInteger(Settings::EnvKey, QStringLiteral("InputWndStyle"), 0) != 0;
    return prefs;
}

} // namespace tq
