#include "query/RecordLocator.h"

#include "app/RecordList.h"
#include "db/Database.h"

namespace tq::query {

bool RecordLocator::byCode(RecordList &list, qint64 code)
{
    return list.setCurrentCode(code);
}

QString RecordLocator::containsPattern(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    for (QChar c : text) {
        if (c == u'%' || c == u'_' || c == u'\\')
            escaped += u'\\';
        escaped += c;
    }
    return u'%' + escaped + u'%';
}

bool RecordLocator::byName(db::Database &db, RecordList &list, const QString &text)
{
    const QVariant code = db.scalar(QStringLiteral("select c901 from dt_data where c902 like ? escape '\\'"),
                                    {containsPattern(text.trimmed())});
    if (!code.isValid() || code.isNull())
        return false;
    return list.setCurrentCode(code.toLongLong());
}

} // namespace tq::query
