#include "exchange/RecordDeletion.h"

#include "app/RecordList.h"
#include "app/RecordSelection.h"
#include "common/Interaction.h"
#include "db/Database.h"
#include "db/SqlText.h"

namespace tq::exchange {

int RecordDeletion::deleteCodes(const QList<qint64> &codes, const QString &tableName, const QString &keyField)
{
    const RecordSelection sel = RecordSelection::codes(codes);
    db::Transaction t(m_db);
    const int n = m_db.exec(QStringLiteral("delete from ") + db::quoteName(tableName) + QStringLiteral(" where ") +
                                sel.condition(db::quoteName(keyField)),
                            sel.params());
    t.commit();
    return n;
}

void RecordDeletion::DeleteSelectedRecords(RecordList &list, const QList<qint64> &marked, const QString &tableName,
                                           const QString &keyField, const ListChanged &changed)
{
    if (!list.isOpen() || list.isEmpty())
        return;
    const auto reread = [&] {
        list.requery(m_db);
        if (changed)
            changed(true);
    };
    if (marked.isEmpty()) {
        const auto code = list.currentCode();
        if (!code)
            return;
        if (m_ui.askQuestion(question(), Interaction::ButtonYes | Interaction::ButtonNo) == Interaction::AnswerYes) {
            deleteCodes({*code}, tableName, keyField);
            reread();
        }
        return;
    }
    const int buttons = marked.size() > 1 ? Interaction::ButtonYesToAll | Interaction::ButtonNo
                                          : Interaction::ButtonYes | Interaction::ButtonNo;
    for (qsizetype i = 0; i < marked.size(); ++i) {
        // The row in question is the current one while it is asked about.
        if (!list.setCurrentCode(marked.at(i)))
            continue;
        if (changed)
            changed(false);
        switch (m_ui.askQuestion(question(), buttons)) {
        case Interaction::AnswerYesToAll:
            deleteCodes(marked.mid(i), tableName, keyField);
            reread();
            return;
        case Interaction::AnswerYes:
            deleteCodes({marked.at(i)}, tableName, keyField);
            reread();
            break;
        case Interaction::AnswerNo:
            return;
        default:
            break; // closed without an answer: on to the next marked row
        }
    }
}

int RecordDeletion::deleteAll()
{
    db::Transaction t(m_db);
    const int n = m_db.exec(QStringLiteral("delete from dt_data"));
    t.commit();
    return n;
}

int RecordDeletion::deleteRange(const CodeRange &range)
{
    const RecordSelection sel = RecordSelection::range(range);
    db::Transaction t(m_db);
    const int n = m_db.exec(sel.deleteFrom(QStringLiteral("dt_data")), sel.params());
    t.commit();
    return n;
}

} // namespace tq::exchange
