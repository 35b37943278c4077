#include "logic/BatchCheck.h"

#include "app/RecordSelection.h"
#include "app/Session.h"
#include "common/Error.h"
#include "common/Gbk.h"
#include "common/Interaction.h"
#include "db/Database.h"
#include "logic/ExplanationRenderer.h"
#include "logic/RuleCatalogue.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QThread>

namespace tq::logic {

namespace {

constexpr int kPostBatch = 5000; // records whose states are committed together
const QByteArray kDashes = QByteArray(80, '-') + "\r\n";

// The result file, appended in blocks; its content is exactly what a line-by-
// line writer would produce.
class ResultFile {
public:
    explicit ResultFile(QString path) : m_path(std::move(path)) {}

    void create(const QByteArray &header)
    {
        QFile f(m_path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(header) != header.size())
            throw FileError(QStringLiteral("无法写入逻辑检查结果文件 %1：%2")
                                .arg(QDir::toNativeSeparators(m_path), f.errorString()));
    }
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
        if (m_pending.isEmpty())
            return;
        QFile f(m_path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append) || f.write(m_pending) != m_pending.size() ||
            !f.flush())
            throw FileError(QStringLiteral("无法写入逻辑检查结果文件 %1：%2")
                                .arg(QDir::toNativeSeparators(m_path), f.errorString()));
        m_pending.clear();
    }

private:
    QString m_path;
    QByteArray m_pending;
};

} // namespace

BatchCheck::BatchCheck(Session &session, QString reportFolder, Interaction &ui)
    : m_session(session), m_folder(std::move(reportFolder)), m_ui(ui)
{
}

QString BatchCheck::resultFilePath() const
{
    QString label = m_session.label();
    for (QChar &c : label) {
        if (c == u'/' || c == u'\\' || c == u':' || c == u'*' || c == u'?' || c == u'"' || c == u'<' ||
            c == u'>' || c == u'|' || c.unicode() < 0x20)
            c = u'_';
    }
    return QDir(m_folder).filePath(QStringLiteral("2009基层以上-") + label + QStringLiteral("-逻辑检查结果.txt"));
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
    ResultFile file(outcome.resultFile);
    const QDateTime started = m_clock ? m_clock() : QDateTime::currentDateTime();
    file.create(Gbk::lines({QStringLiteral("#2009基层以上调查表逻辑检查结果"),
                            QStringLiteral("#检查时间：") + started.toString(QStringLiteral("yyyy年MM月dd日 HH:mm")),
                            QString(), QString()}));

    // The row count comes first so that the progress bar knows its total.
    const qint64 total =
        db.scalar(QStringLiteral("select count(*) from (") + sql + QStringLiteral(")"), params).toLongLong();
    db::Statement source = db.prepare(sql);
    source.bindAll(params);
    int codeCol = -1, nameCol = -1, stateCol = -1;
    for (int c = 0; c < source.columnCount(); ++c) {
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
    db::Statement post = db.prepare(QStringLiteral("update dt_data set RecordState=? where c901=?"));

    Progress &progress = m_ui.progress();
    progress.start(int(total), 0);

    int unposted = 0;
    bool stopped = false;
    const auto commitStates = [&] {
        if (db.inTransaction())
            db.commit();
        unposted = 0;
    };
    try {
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
            const qint64 code = source.intValue(codeCol);
            bool headerPending = true;
            reader.read(source, values);
            const bool clean = RuleCatalogue::forEachFailure(values, [&](int i) {
                if (headerPending) {
                    file.line(QStringLiteral("%1  %2的数据有错误").arg(code).arg(source.textValue(nameCol)));
                    file.raw(kDashes);
                    headerPending = false;
                }
                QByteArray &lines = failureLines[std::size_t(i)];
                if (lines.isEmpty())
                    lines = Gbk::lines({QStringLiteral("  判断规则：") + QString::fromUtf8(rules[std::size_t(i)].ruleText),
                                        QStringLiteral("  规则说明：") +
                                            renderer.renderCached(rules[std::size_t(i)].explainTemplate),
                                        QString()});
                file.raw(lines);
                ++outcome.failures;
            });
            const int state = clean ? 1 : 2;
            // A record that already holds its new state is left alone: the
            // outcome is the same, and rewriting every row of a national
            // database costs more than checking it.
            const bool unchanged = stateCol >= 0 && !source.isNull(stateCol) && source.intValue(stateCol) == state;
            if ((!clean || markPassed) && !unchanged) {
                if (!db.inTransaction())
                    db.begin();
                post.reset();
                post.bindAll({state, code});
                post.step();
                if (++unposted >= kPostBatch)
                    commitStates();
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
        commitStates();
        if (stopped) {
            file.flush();
            outcome.kind = Outcome::Stopped;
            return outcome;
        }
    } catch (...) {
        // What was checked keeps its state; the error ends the run.
        try {
            commitStates();
        } catch (const db::DbError &) {
        }
        try {
            file.flush();
        } catch (const FileError &) {
        }
        throw;
    }

    if (outcome.failedRecords == 0) {
        file.flush();
        outcome.kind = Outcome::Clean;
        m_ui.message(QStringLiteral("恭喜你，所检查的数据没有逻辑错误"));
        return outcome;
    }
    file.line(QString(49, QLatin1Char('=')));
    file.line(QStringLiteral("共有%1个单位的数据存在逻辑错误！").arg(outcome.failedRecords));
    file.line(QStringLiteral("共有%1个逻辑错误项！").arg(outcome.failures));
    file.flush();
    outcome.kind = Outcome::Failures;
    m_ui.openInViewer(outcome.resultFile);
    return outcome;
}

} // namespace tq::logic
