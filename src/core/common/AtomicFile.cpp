#include "common/AtomicFile.h"

#include "common/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tq {

namespace {

const QLatin1String kTempPrefix(".tallowmere-");
const QLatin1String kTempSuffix(".part");

QString systemText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

QString randomPart()
{
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString s;
    for (int i = 0; i < 8; ++i)
        s += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet - 1))]);
    return s;
}

// A rename is only durable once the folder that holds the names is on disk.
void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

AtomicFile::AtomicFile(QString path, QString kind)
    : m_path(std::move(path)), m_kind(kind.isEmpty() ? QStringLiteral("文件") : std::move(kind))
{
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::fail(const QString &doing, int err)
{
    discard();
    throw FileError(
        QStringLiteral("%1%2 %3：%4").arg(doing, m_kind, QDir::toNativeSeparators(m_path), systemText(err)));
}

void AtomicFile::open()
{
    discard();
    const QFileInfo target(m_path);
    if (target.isDir())
        fail(QStringLiteral("无法建立"), EISDIR);
    const QDir folder = target.absoluteDir();
    // A short name of our own, not the target's name plus a suffix: a target
    // name that uses the whole length a name may have still gets its temporary.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString temp = folder.filePath(kTempPrefix + randomPart() + kTempSuffix);
        const int fd = ::open(QFile::encodeName(temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temp = temp;
            return;
        }
        if (errno != EEXIST)
            fail(QStringLiteral("无法建立"), errno);
    }
    fail(QStringLiteral("无法建立"), EEXIST);
}

void AtomicFile::write(const char *data, qint64 size)
{
    if (m_fd < 0)
        open();
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(QStringLiteral("无法写入"), errno);
        }
        // A short write is how a filling disk first shows; the next call
        // reports why.
        data += n;
        size -= n;
    }
}

void AtomicFile::copyFrom(QFile &source)
{
    if (m_fd < 0)
        open();
    const int from = source.handle();
    // copy_file_range spares the trip through user space; file systems or
    // kernels that cannot do it send us to plain reads and writes.
    for (;;) {
        const ssize_t n = ::copy_file_range(from, nullptr, m_fd, nullptr, size_t(1) << 30, 0);
        if (n > 0)
            continue;
        if (n == 0)
            return;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
            fail(QStringLiteral("无法写入"), errno);
        break;
    }
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), size_t(buffer.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int err = errno;
            discard();
            throw FileError(QStringLiteral("无法读取文件 %1：%2")
                                .arg(QDir::toNativeSeparators(source.fileName()), systemText(err)));
        }
        if (got == 0)
            return;
        write(buffer.constData(), got);
    }
}

void AtomicFile::commit()
{
    if (m_fd < 0)
        open();
    if (::fsync(m_fd) != 0)
        fail(QStringLiteral("无法写入"), errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        fail(QStringLiteral("无法写入"), errno);
    if (::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_path).constData()) != 0)
        fail(QStringLiteral("无法保存"), errno);
    m_temp.clear();
    syncFolder(QFileInfo(m_path).absolutePath());
}

void AtomicFile::discard() noexcept
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(QFile::encodeName(m_temp).constData());
        m_temp.clear();
    }
}

void AtomicFile::writeFile(const QString &path, const QByteArray &bytes, const QString &kind)
{
    AtomicFile file(path, kind);
    file.open();
    file.write(bytes);
    file.commit();
}

bool AtomicFile::isTemporaryName(const QString &fileName)
{
    return fileName.startsWith(kTempPrefix) && fileName.endsWith(kTempSuffix);
}

} // namespace tq
