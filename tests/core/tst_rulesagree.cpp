#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "SyntheticGenerator.h"
#include "db/Database.h"
#include "db/ResultSet.h"
#include "logic/ExplanationRenderer.h"
#include "logic/PageRules.h"
#include "logic/RuleCatalogue.h"

#include <QtTest>

using namespace tq;
using namespace tq::logic;

namespace {

// The boxes of the entry window, filled from one stored record.
class RecordBoxes : public BoxValues {
public:
    explicit RecordBoxes(const db::ResultSet &rows) : m_rows(rows)
    {
        for (const char *text : {"c902", "c905", "c906", "stats"})
            m_textColumns.insert(m_rows.columnIndex(QString::fromLatin1(text)));
    }
    Kind boxKind(const QString &name) const override
    {
        const int c = m_rows.columnIndex(name);
        if (c < 0)
            return Kind::Missing;
        return m_textColumns.contains(c) ? Kind::Other : Kind::Numeric;
    }
    qint64 boxValue(const QString &name) const override { return m_rows.intValue(row, m_rows.columnIndex(name)); }
    int row = 0; // the record on screen

private:
    const db::ResultSet &m_rows;
    QSet<int> m_textColumns;
};

class Findings : public ErrorList {
public:
    QStringList found;
    void ClearList() override { found.clear(); }
    void AddMessage(const QString &rule, const QString &explanation, int, const QString &) override
    {
        found << rule + QLatin1Char('|') + explanation;
    }
    bool IsListEmpty() const override { return found.isEmpty(); }
    void ShowList() override {}
};

} // namespace

// The on-screen rules of the default database and the compiled catalogue of
// the batch check come from the same rule list; on any record they must find
// the same failures.
class TestRulesAgree : public QObject {
    Q_OBJECT

private slots:
    void onScreenAndBatchRulesAgree()
    {
        QTemporaryDir dir;
        // The rules as shipped: a copy of the default database the build put beside the program.
        const QString copy = dir.filePath(QStringLiteral("default.mdb"));
        QVERIFY(QFile::copy(test::builtDefaultDatabase(), copy));
        QFile(copy).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        db::Database db = db::Database::open(copy);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM dt_logic")).toInt(),
                 int(RuleCatalogue::rules().size()));
        const QString rulesFile = QDir(test::dataDir()).filePath(QStringLiteral("logic_rules.tsv"));
        {
            synth::Options valid;
            valid.count = 1500;
            valid.seed = 11;
            valid.firstCode = 100001;
            synth::generate(db, valid, rulesFile);
        }
        const int ruleCount = int(RuleCatalogue::rules().size());
        for (int no = 1; no <= ruleCount; ++no) {
            synth::Options broken;
            broken.count = 12;
            broken.seed = quint32(1000 + no);
            broken.firstCode = 200000 + no * 100;
            broken.failShare = 1.0;
            broken.failRules = {no};
            synth::generate(db, broken, rulesFile);
        }

        db::ResultSet rows = db::ResultSet::run(db, QStringLiteral("SELECT * FROM dt_data ORDER BY c901"));
        QCOMPARE(rows.rowCount(), 1500 + 12 * ruleCount);

        FieldHints hints;
        test::ScriptedInteraction ui;
        RecordBoxes boxes(rows);
        Findings onScreen;
        PageRules pageRules(db, hints, boxes, onScreen, ui);
        ExplanationRenderer renderer(db, hints, &ui);
        std::array<int, rulefield::Count> fieldColumns{};
        for (int f = 0; f < rulefield::Count; ++f)
            fieldColumns[std::size_t(f)] = rows.requireColumn(QString::fromLatin1(rulefield::kNames[f]));

        QStringList disagreements;
        int withFindings = 0;
        for (int r = 0; r < rows.rowCount(); ++r) {
            boxes.row = r;
            pageRules.CheckAllPages();

            RuleValues values;
            for (int f = 0; f < rulefield::Count; ++f)
                values[f] = rows.intValue(r, fieldColumns[std::size_t(f)]);
            QStringList batch;
            const bool clean =
                RuleCatalogue::CheckRecordRules(values, renderer, [&](const QString &rule, const QString &explanation) {
                    batch << rule + '|' + explanation;
                });

            QStringList screen = onScreen.found;
            screen.sort();
            batch.sort();
            QCOMPARE(clean, batch.isEmpty());
            if (!screen.isEmpty())
                ++withFindings;
            if (screen != batch && disagreements.size() < 10)
                disagreements << QStringLiteral("c901 %1: on screen [%2], batch [%3]")
                                     .arg(rows.intValue(r, QStringLiteral("c901")))
                                     .arg(screen.join(QStringLiteral("; ")), batch.join(QStringLiteral("; ")));
        }
        QVERIFY2(disagreements.isEmpty(), qPrintable(disagreements.join(QLatin1Char('\n'))));
        QVERIFY2(ui.messages.isEmpty(), qPrintable(ui.messages.join(QLatin1Char('\n'))));
        // Every broken record was caught, and no valid one.
        QCOMPARE(withFindings, 12 * ruleCount);
    }
};

QTEST_GUILESS_MAIN(TestRulesAgree)
#include "tst_rulesagree.moc"
