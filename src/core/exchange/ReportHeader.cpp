#include "exchange/ReportHeader.h"

#include "common/Error.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace tq::exchange {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

bool syncToDisk(QFile &f)
{
    return f.flush() && ::fsync(f.handle()) == 0;
}

} // namespace

QByteArray ReportHeader::databaseSignature()
{
    return QByteArray("SQLite format 3\0", 16);
}

void ReportHeader::transform(QByteArray &bytes)
{
    const qsizetype n = std::min<qsizetype>(bytes.size(), kLength);
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        bytes[i] = static_cast<char>(((b + kAdd) % 256) ^ kXor);
    }
}

void ReportHeader::restore(QByteArray &bytes)
{
    const qsizetype n = std::min<qsizetype>(bytes.size(), kLength);
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        bytes[i] = static_cast<char>(((b ^ kXor) - kAdd + 256) % 256);
    }
}

bool ReportHeader::isTransformed(const QByteArray &head)
{
    QByteArray signature = databaseSignature();
    transform(signature);
    return head.startsWith(signature);
}

bool ReportHeader::copyRestored(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("无法读取文件'%1'：%2").arg(shown(source), in.errorString()));
    QFile out(target);
    if (!out.open(QIODevice::NewOnly | QIODevice::WriteOnly))
        throw FileError(QStringLiteral("无法建立临时文件'%1'：%2").arg(shown(target), out.errorString()));

    const auto fail = [&](const QString &why) {
        out.close();
        out.remove();
        throw FileError(QStringLiteral("无法复制文件'%1'：%2").arg(shown(source), why));
    };
    QByteArray head = in.read(kLength);
    if (in.error() != QFileDevice::NoError)
        fail(in.errorString());
    const bool restored = isTransformed(head);
    if (restored)
        restore(head);
    if (out.write(head) != head.size())
        fail(out.errorString());
    QByteArray block;
    while (!in.atEnd()) {
        block = in.read(1 << 20);
        if (in.error() != QFileDevice::NoError)
            fail(in.errorString());
        if (block.isEmpty())
            break;
        if (out.write(block) != block.size())
            fail(out.errorString());
    }
    if (!out.flush())
        fail(out.errorString());
    return restored;
}

void ReportHeader::transformFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        throw FileError(QStringLiteral("无法写入文件'%1'：%2").arg(shown(path), f.errorString()));
    QByteArray head = f.read(kLength);
    transform(head);
    if (!f.seek(0) || f.write(head) != head.size() || !syncToDisk(f))
        throw FileError(QStringLiteral("无法写入文件'%1'：%2").arg(shown(path), f.errorString()));
}

} // namespace tq::exchange
