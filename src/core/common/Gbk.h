#pragma once

#include <QByteArray>
#include <QString>

namespace tq {

// The Chinese code page of the survey's text files and length limits.
class Gbk {
public:
    static QByteArray encode(const QString &text);
    static QString decode(const QByteArray &bytes);
    // Length in GBK bytes: a Chinese character counts two.
    static int byteLength(const QString &text);
    // Lines joined with CR LF, each line ended by CR LF, encoded in GBK.
    static QByteArray lines(const QStringList &lines);
};

} // namespace tq
