#include "logic/BatchCheck.h"

#include "app/RecordSelection.h"
#include "app/Session.h"
#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/FileNames.h"
#include "common/Gbk.h"
#include "common/Interaction.h"
#include "db/Database.h"
#include "logic/ExplanationRenderer.h"
#include "logic/RuleCatalogue.h"

#include <QDir>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

#include <sqlite3.h>

namespace tq::logic {

namespace {

const QByteArray kDashes = QByteArray(80, '-') + "\r\n";

// The result file, passed on to its temporary file in blocks; the content is
// exactly what a line-by-line writer would produce.
class ResultWriter {
public:
    explicit ResultWriter(AtomicFile &file) : m_file(file) {}

    void line(const QString &text)
    {
        m_pending += Gbk::encode(text);
        m_pending += "\r\n";
        if (m_pending.size() > 256 * 1024)
            flush();
    }
    void raw(const QByteArray &bytes)
    {
        m_pending += bytes;
        if (m_pending.size() > 256 * 1024)
            flush();
    }
    void flush()
    {
        m_file.write(m_pending);
        m_pending.clear();
    }

private:
    AtomicFile &m_file;
    QByteArray m_pending;
};

// The source statement with the row's rowid in front: states are posted by
// rowid, which names exactly the row that was read even when its code is not
// a whole number or not unique.
QString withRowid(const QString &sql)
{
    const QString trimmed = sql.trimmed();
    if (!trimmed.startsWith(QLatin1String("select "), Qt::CaseInsensitive))
        throw db::DbError(QStringLiteral("逻辑检查的数据来源不是查询语句：%1").arg(sql));
    return QStringLiteral("select rowid, ") + trimmed.mid(7);
}

} // namespace

BatchCheck::BatchCheck(Session &session, QString reportFolder, Interaction &ui)
    : m_session(session), m_folder(std::move(reportFolder)), m_ui(ui)
{
}

QString BatchCheck::resultFilePath() const
{
    // A label may hold 200 Chinese characters, more than a file name can take
    // around the fixed parts: it is cut so that the name fits.
    return QDir(m_folder).filePath(
        FileNames::compose(QStringLiteral("2009基层以上-"), m_session.label(), QStringLiteral("-逻辑检查结果.txt")));
}

BatchCheck::Outcome BatchCheck::RunBatchCheck(const RecordSelection &selection, bool markPassed)
{
    return RunBatchCheck(selection.select(QStringLiteral("dt_data")), selection.params(), markPassed);
}

BatchCheck::Outcome BatchCheck::RunBatchCheck(const QString &sql, const QVariantList &params, bool markPassed)
{
    db::Database &db = m_session.db();
    Outcome outcome;
    outcome.resultFile = resultFilePath();

    // The write lock comes first. A second run on the same database stops
    // here, before it has touched any file; the states of one run land
    // together, at its end.
    db::Transaction tx(db);
    AtomicFile file(outcome.resultFile, QStringLiteral("逻辑检查结果文件"));
    file.open();
    ResultWriter out(file);
    const QDateTime started = m_clock ? m_clock() : QDateTime::currentDateTime();
    out.raw(Gbk::lines({QStringLiteral("#2009基层以上调查表逻辑检查结果"),
                        QStringLiteral("#检查时间：") + started.toString(QStringLiteral("yyyy年MM月dd日 HH:mm")),
                        QString(), QString()}));

    bool stopped = false;
    try {
        // The row count comes first so that the progress bar knows its total.
        const qint64 total =
            db.scalar(QStringLiteral("select count(*) from (") + sql + QStringLiteral(")"), params).toLongLong();
        db::Statement source = db.prepare(withRowid(sql));
        source.bindAll(params);
        constexpr int rowidCol = 0;
        int codeCol = -1, nameCol = -1, stateCol = -1;
        for (int c = 1; c < source.columnCount(); ++c) {
            if (source.columnName(c).compare(QLatin1String("c901"), Qt::CaseInsensitive) == 0)
                codeCol = c;
            else if (source.columnName(c).compare(QLatin1String("c902"), Qt::CaseInsensitive) == 0)
                nameCol = c;
            else if (source.columnName(c).compare(QLatin1String("RecordState"), Qt::CaseInsensitive) == 0)
                stateCol = c;
        }
        if (codeCol < 0 || nameCol < 0)
            throw db::DbError(QStringLiteral("数据表中没有字段 c901 或 c902"));
        const RuleValueReader reader(source);
        ExplanationRenderer renderer(db, m_session.fieldHints(), &m_ui);
        db::Statement post = db.prepare(QStringLiteral("update dt_data set RecordState=? where rowid=?"));

        Progress &progress = m_ui.progress();
        progress.start(int(total), 0);

        RuleValues values;
        // The three lines of a failure are the same for every record that
        // fails the rule: encode them once.
        std::array<QByteArray, kRuleCount> failureLines;
        const auto &rules = RuleCatalogue::rules();
        QElapsedTimer sinceEvents;
        sinceEvents.start();
        bool haveRow = source.step();
        while (haveRow) {
            if (progress.pauseRequested()) {
                m_ui.processEvents();
                if (m_ui.stopRequested()) {
                    stopped = true;
                    break;
                }
                QThread::msleep(10);
                continue;
            }
            // A code read from a file made elsewhere may be stored as a
            // fraction or a text; the header shows it as it is.
            const QString code = source.columnType(codeCol) == SQLITE_INTEGER
                                     ? QString::number(source.intValue(codeCol))
                                     : source.textValue(codeCol);
            bool headerPending = true;
            reader.read(source, values);
            const bool clean = RuleCatalogue::forEachFailure(values, [&](int i) {
                if (headerPending) {
                    out.line(QStringLiteral("%1  %2的数据有错误").arg(code, source.textValue(nameCol)));
                    out.raw(kDashes);
                    headerPending = false;
                }
                QByteArray &lines = failureLines[std::size_t(i)];
                if (lines.isEmpty())
                    lines = Gbk::lines(
                        {QStringLiteral("  判断规则：") + QString::fromUtf8(rules[std::size_t(i)].ruleText),
                         QStringLiteral("  规则说明：") + renderer.renderCached(rules[std::size_t(i)].explainTemplate),
                         QString()});
                out.raw(lines);
                ++outcome.failures;
            });
            const int state = clean ? 1 : 2;
            // A record that already holds its new state is left alone: the
            // outcome is the same, and rewriting every row of a national
            // database costs more than checking it.
            const bool unchanged = stateCol >= 0 && !source.isNull(stateCol) && source.intValue(stateCol) == state;
            if ((!clean || markPassed) && !unchanged) {
                post.reset();
                post.bindAll({state, source.intValue(rowidCol)});
                post.step();
            }
            if (!clean)
                ++outcome.failedRecords;
            ++outcome.checked;
            haveRow = source.step();
            progress.advance();
            // Let the window breathe (pause, stop, repaint) a few times a second.
            if (sinceEvents.elapsed() >= 20 || !haveRow) {
                m_ui.processEvents();
                sinceEvents.restart();
            }
            if (m_ui.stopRequested()) {
                stopped = true;
                break;
            }
        }
        if (!stopped && outcome.failedRecords > 0) {
            out.line(QString(49, QLatin1Char('=')));
            out.line(QStringLiteral("共有%1个单位的数据存在逻辑错误！").arg(outcome.failedRecords));
            out.line(QStringLiteral("共有%1个逻辑错误项！").arg(outcome.failures));
        }
        out.flush();
    } catch (...) {
        // What was checked keeps its state. The result file is dropped: its
        // name keeps whatever complete file it had before this run.
        file.discard();
        try {
            tx.commit();
        } catch (const db::DbError &) {
        }
        throw;
    }

    // The states first, then the file: a failure in between leaves marked
    // records and the previous result file, never a result file that
    // describes states the database does not hold. A stopped run keeps the
    // part it wrote, without the footer.
    tx.commit();
    file.commit();

    if (stopped) {
        outcome.kind = Outcome::Stopped;
        return outcome;
    }
    if (outcome.failedRecords == 0) {
        outcome.kind = Outcome::Clean;
        m_ui.message(QStringLiteral("恭喜你，所检查的数据没有逻辑错误"));
        return outcome;
    }
    outcome.kind = Outcome::Failures;
    m_ui.openInViewer(outcome.resultFile);
    return outcome;
}

} // namespace tq::logic
