#pragma once

#include <QString>
#include <memory>

class QSettings;

namespace tq {

// The program's small per-machine settings store: named values under key
// paths relative to the program's main key ("" is the main key itself). It is
// an INI file kept by QSettings; TALLOWMERE_SETTINGS names another file.
class Settings {
public:
    static inline const QString MainKey = QString();
    static inline const QString EnvKey = QStringLiteral("Options/EnvSetting");
    static inline const QString DataKey = QStringLiteral("Data");

    // An empty path takes TALLOWMERE_SETTINGS or the user's standard location.
    explicit Settings(const QString &iniPath = QString());
    ~Settings();
    Settings(const Settings &) = delete;
    Settings &operator=(const Settings &) = delete;

    QString filePath() const;

    // The default is used when the value is missing or empty.
    QString readString(const QString &key, const QString &name, const QString &def = QString()) const;
    // The default is used when the value is missing or not a whole number.
    int readInteger(const QString &key, const QString &name, int def) const;
    bool contains(const QString &key, const QString &name) const;

    // Writes land on disk at once; false when the store refused them.
    bool writeString(const QString &key, const QString &name, const QString &value);
    bool writeInteger(const QString &key, const QString &name, int value);
    bool writeBool(const QString &key, const QString &name, bool value);

private:
    bool sync();
    std::unique_ptr<QSettings> m_store;
};

// Preferences the program keeps in memory while it runs.
struct Preferences {
    QString imePrefer;            // preferred input method
    bool inputWndStyle = false;   // 简约 (true) or 传统 (false) entry window style
    bool importPrinciple = false; // false: give up a whole import on the first bad record
};

// Start-up settings step: on a machine without a stored Version the first-start
// values are written; otherwise the stored preferences are read.
Preferences initialiseSettings(Settings &settings, const QString &programDir);

} // namespace tq
