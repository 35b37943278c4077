#include "app/UpdateCheck.h"

#include "app/AppPaths.h"
#include "app/Settings.h"
#include "common/Error.h"
#include "common/Gbk.h"
#include "common/Interaction.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTimer>

namespace tq {

namespace {

// A version mark is a line of text; anything much larger is not the file we
// asked for.
constexpr qint64 kMaxPublishedBytes = 64 * 1024;

QString decodeIni(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    // Files written on the survey's older systems are in GBK.
    return utf8.hasError() ? Gbk::decode(bytes) : text;
}

QString unquoted(const QString &value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

UpdateCheck::UpdateCheck(const QString &programDir, const QUrl &published, Interaction &ui, int timeoutMs)
    : m_programDir(programDir), m_published(published), m_ui(ui), m_timeoutMs(timeoutMs)
{
}

QString UpdateCheck::readMark(const QString &iniPath)
{
    QFile file(iniPath);
    if (!file.exists())
        return unknownMark();
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(
            QStringLiteral("无法读取文件 %1：%2").arg(QDir::toNativeSeparators(iniPath), file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(
            QStringLiteral("无法读取文件 %1：%2").arg(QDir::toNativeSeparators(iniPath), file.errorString()));

    bool inSection = false;
    for (QStringView line : QStringView(decodeIni(bytes)).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            const qsizetype end = line.indexOf(u']');
            inSection = end > 0 && line.mid(1, end - 1).trimmed().compare(u"version", Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (inSection && eq > 0 && line.left(eq).trimmed().compare(u"Ver", Qt::CaseInsensitive) == 0)
            return unquoted(line.mid(eq + 1).trimmed().toString());
    }
    return unknownMark();
}

QUrl UpdateCheck::publishedUrl(const QString &setting)
{
    const QString text = setting.trimmed();
    if (text.isEmpty())
        return {};
    QUrl url = QUrl::fromUserInput(text);
    if (!url.isValid())
        return {};
    if (url.path().isEmpty() || url.path().endsWith(u'/'))
        url = url.resolved(QUrl(QStringLiteral("TQVersion.txt")));
    return url;
}

QString UpdateCheck::siteAddress(const QUrl &published)
{
    if (published.host().isEmpty())
        return published.toString();
    return published.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
        .toString();
}

bool UpdateCheck::download(const QString &target) const
{
    QNetworkAccessManager network;
    QNetworkRequest request(m_published);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply *reply = network.get(request);
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxPublishedBytes)
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(m_timeoutMs);
    // The start-up window is not up yet; nothing the user does has to be
    // answered meanwhile.
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError)
        return false;
    const QByteArray body = reply->readAll();
    if (body.size() > kMaxPublishedBytes)
        return false;
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(body);
    return file.commit();
}

UpdateCheck::Outcome UpdateCheck::run()
{
    if (!m_published.isValid())
        return Outcome::Skipped;
    const QDir dir(m_programDir);
    const QString downloaded = dir.filePath(QStringLiteral("version.ini"));
    try {
        const QString installed = readMark(dir.filePath(QStringLiteral("OldVersion.ini")));
        if (!download(downloaded))
            return Outcome::Unreachable;
        const QString published = readMark(downloaded);
        if (installed != published) {
            // version.ini stays; the next start overwrites it.
            m_ui.message(QStringLiteral("软件有更新，请到全总统计网站上(") + siteAddress(m_published) +
                         QStringLiteral(")下载更新版本补丁,并安装在原安装路径下!"));
            return Outcome::Outdated;
        }
        if (!QFile::remove(downloaded))
            throw FileError(QStringLiteral("无法删除文件 %1").arg(QDir::toNativeSeparators(downloaded)));
    } catch (const Error &) {
        m_ui.message(QStringLiteral("网络错误"));
        return Outcome::ReadError;
    }
    return Outcome::Current;
}

bool runUpdateCheck(const Settings &settings, Interaction &ui)
{
    const QUrl published =
        UpdateCheck::publishedUrl(settings.readString(Settings::MainKey, QStringLiteral("UpdateUrl")));
    return UpdateCheck(AppPaths::programDir(), published, ui).run() != UpdateCheck::Outcome::Outdated;
}

} // namespace tq
