#include "common/Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

namespace tq {

QByteArray Gbk::encode(const QString &text)
{
    QStringEncoder enc("GBK");
    if (!enc.isValid())
        return text.toUtf8(); // no GBK codec at all: better some text than none
    return enc.encode(text);
}

QString Gbk::decode(const QByteArray &bytes)
{
    QStringDecoder dec("GBK");
    if (!dec.isValid())
        return QString::fromUtf8(bytes);
    return dec.decode(bytes);
}

int Gbk::byteLength(const QString &text)
{
    return int(encode(text).size());
}

QByteArray Gbk::lines(const QStringList &lines)
{
    QByteArray out;
    for (const QString &l : lines) {
        out += encode(l);
        out += "\r\n";
    }
    return out;
}

} // namespace tq
