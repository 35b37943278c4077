#pragma once

#include <QString>
#include <QUrl>

namespace tq {

class Interaction;
class Settings;

// The check at every start, before the database is opened, of the installed
// version mark ("OldVersion.ini" beside the program) against the one the
// survey authority publishes ("TQVersion.txt" on its statistics web site): a
// program whose mark differs from the published one must not run. The site's
// address is the UpdateUrl setting; without one there is nothing to check.
class UpdateCheck {
public:
    // A start without network waits no longer than this for the download.
    static constexpr int kTimeoutMs = 3000;

    enum class Outcome {
        Skipped,     // no address set
        Unreachable, // the download failed: start-up goes on silently
        Current,     // the marks are equal
        Outdated,    // they differ: the user has been told, the program ends
        ReadError,   // "网络错误" has been shown; start-up goes on
    };

    UpdateCheck(const QString &programDir, const QUrl &published, Interaction &ui, int timeoutMs = kTimeoutMs);

    Outcome run();

    // The mark in an INI file: section "version", key "Ver" (names compared
    // without regard to case); "未知版" when the file, the section or the key
    // is missing. A file that is there but cannot be read raises FileError.
    static QString readMark(const QString &iniPath);
    // The published file's address from the setting: a bare site address
    // (empty path or one ending in "/") gets "TQVersion.txt"; an empty setting
    // gives an invalid address.
    static QUrl publishedUrl(const QString &setting);
    // The site's home address, as the update message shows it.
    static QString siteAddress(const QUrl &published);

    static QString unknownMark() { return QStringLiteral("未知版"); }

private:
    // Downloads the published file into `target`; false on any failure.
    bool download(const QString &target) const;

    QString m_programDir;
    QUrl m_published;
    Interaction &m_ui;
    int m_timeoutMs;
};

// The start-up step: reads UpdateUrl and runs the check for the program's
// folder. false when the program must end.
bool runUpdateCheck(const Settings &settings, Interaction &ui);

} // namespace tq
