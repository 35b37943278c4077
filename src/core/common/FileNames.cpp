#include "common/FileNames.h"

#include <QFile>
#include <QTextBoundaryFinder>

namespace tq {

namespace {

bool unfit(QChar c)
{
    return c == u'/' || c == u'\\' || c == u':' || c == u'*' || c == u'?' || c == u'"' || c == u'<' || c == u'>' ||
           c == u'|' || c.unicode() < 0x20;
}

} // namespace

int FileNames::byteLength(const QString &name)
{
    return int(QFile::encodeName(name).size());
}

QString FileNames::compose(const QString &prefix, const QString &part, const QString &suffix, int maxBytes)
{
    QString text = part;
    for (QChar &c : text) {
        if (unfit(c))
            c = u'_';
    }
    const int room = maxBytes - byteLength(prefix) - byteLength(suffix);
    if (byteLength(text) > room) {
        // Cut between user-perceived characters, so that neither a surrogate
        // pair nor a letter with its accents is split.
        QTextBoundaryFinder bounds(QTextBoundaryFinder::Grapheme, text);
        qsizetype keep = 0;
        int used = 0;
        for (qsizetype at = bounds.toNextBoundary(); at > 0; at = bounds.toNextBoundary()) {
            used += byteLength(text.mid(keep, at - keep));
            if (used > room)
                break;
            keep = at;
        }
        text.truncate(keep);
    }
    return prefix + text + suffix;
}

} // namespace tq
