#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "common/Error.h"
#include "db/Database.h"
#include "db/FieldCatalogue.h"
#include "entry/BoxRules.h"
#include "entry/PageLayout.h"
#include "entry/RecordEditing.h"
#include "entry/RecordValues.h"

#include <QtTest>

using namespace tq;
using entry::RecordEditing;

namespace {

class FakeView : public entry::RecordEditingView {
public:
    int loads = 0;
    QStringList focused;
    void showValues() override {}
    void showLevel(qint64) override {}
    void showState() override {}
    void recordLoaded() override { ++loads; }
    void focusBox(entry::CoverBox box) override { focused << entry::coverBoxName(box); }
    void showCoverPage() override {}
    void setRegionName(const QString &, qint64) override {}
    void setLevelName(const QString &, qint64) override {}
    void hideErrorList() override {}
};

class FakeErrors : public logic::ErrorList {
public:
    QStringList entries;
    void ClearList() override { entries.clear(); }
    void AddMessage(const QString &rule, const QString &, int, const QString &) override { entries << rule; }
    bool IsListEmpty() const override { return entries.isEmpty(); }
    void ShowList() override {}
};

// Every box the editor has: the cover's and those of the table pages.
QStringList numberBoxes()
{
    QStringList names{QStringLiteral("c901"), QStringLiteral("c903"), QStringLiteral("c904")};
    const entry::PageLayout layout = entry::PageLayout::standard();
    for (const entry::LayoutPage &p : layout.pages())
        names += p.fieldNames();
    return names;
}
const QStringList kTextBoxes{QStringLiteral("c902"), QStringLiteral("c905"), QStringLiteral("c906")};

} // namespace

class TestRecordEditing : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<Settings> m_settings;
    test::ScriptedInteraction m_ui;
    FakeView m_view;
    FakeErrors m_errors;
    db::FieldCatalogue m_catalogue;
    std::unique_ptr<RecordEditing> m_edit;

    db::Database &db() { return m_session->db(); }
    int count() { return db().scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toInt(); }
    QVariant column(qint64 code, const char *col)
    {
        return db().scalar(QStringLiteral("SELECT %1 FROM dt_data WHERE c901=?").arg(QLatin1String(col)), {code});
    }
    void insert(qint64 code)
    {
        db().exec(QStringLiteral("INSERT INTO dt_data (c901,c902,c903,c904,c905,c906,RecordState) "
                                 "VALUES (?, '单位', 130102, 5, '李四', '123', 1)"),
                  {code});
    }
    // The editor on the list's first record, or on a new one.
    void open(bool adding)
    {
        RecordList list(ListQuery(QStringLiteral("SELECT c901 FROM dt_data ORDER BY c901")));
        list.open(db());
        m_edit->setRecordList(list, {});
        m_edit->setAdding(adding);
        m_edit->show();
    }
    // A cover that passes its check, at a level that takes most boxes.
    void fillCover()
    {
        m_edit->setText(QStringLiteral("c902"), QStringLiteral("测试市总工会"));
        m_edit->setNumber(QStringLiteral("c903"), 130102);
        m_edit->ApplyLevelRules(5);
        m_edit->setText(QStringLiteral("c905"), QStringLiteral("张三"));
        m_edit->setText(QStringLiteral("c906"), QStringLiteral("0311-86000000"));
    }

private slots:
    void init()
    {
        QFile::remove(m_dir.filePath(QStringLiteral("r.mdb")));
        m_session = std::make_unique<Session>();
        m_session->openDatabase(test::newSurveyDatabase(m_dir, QStringLiteral("r.mdb")));
        m_catalogue = db::FieldCatalogue::load(db());
        QFile::remove(m_dir.filePath(QStringLiteral("r.ini")));
        m_settings = std::make_unique<Settings>(m_dir.filePath(QStringLiteral("r.ini")));
        m_ui = test::ScriptedInteraction();
        m_view = FakeView();
        m_errors = FakeErrors();
        m_edit = std::make_unique<RecordEditing>(*m_session, *m_settings, m_ui, m_view, m_errors);
        m_edit->setCatalogue(&m_catalogue);
        m_edit->values().setBoxes(numberBoxes(), kTextBoxes);
    }

    // Open and closed boxes: the level rule of the catalogue, then the gate question.
    void openBoxes_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("gate");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("open");
        QTest::newRow("neither rule nor gate") << 10 << "" << 0 << "z001" << true;
        QTest::newRow("county level takes b013") << 3 << "" << 0 << "b013" << true;
        QTest::newRow("level 10 does not") << 10 << "" << 0 << "b013" << false;
        QTest::newRow("b001 answered 1") << 10 << "b001" << 1 << "b002" << true;
        QTest::newRow("b001 answered 2") << 10 << "b001" << 2 << "b008" << false;
        QTest::newRow("b001 unanswered") << 10 << "b001" << 0 << "b005" << false;
        QTest::newRow("past the gate's run") << 10 << "b001" << 2 << "b009" << true;
        QTest::newRow("level fits, c001 unanswered") << 3 << "c001" << 0 << "c002" << false;
        QTest::newRow("level fits, c001 answered 1") << 3 << "c001" << 1 << "c008" << true;
        QTest::newRow("c001 answered 1, level does not fit") << 10 << "c001" << 1 << "c002" << false;
        QTest::newRow("a gate its level closes holds 0") << 10 << "c001" << 1 << "c001" << false;
        QTest::newRow("park, c009 answered 1") << 8 << "c009" << 1 << "c021" << true;
        QTest::newRow("park, c009 unanswered") << 8 << "c009" << 0 << "c010" << false;
        QTest::newRow("county, c009 answered 1") << 3 << "c009" << 1 << "c010" << false;
    }
    void openBoxes()
    {
        QFETCH(int, level);
        QFETCH(QString, gate);
        QFETCH(int, answer);
        QFETCH(QString, box);
        QFETCH(bool, open);
        entry::RecordValues &values = m_edit->values();
        values.bind(m_catalogue, m_edit->rules());
        values.setNumber(QStringLiteral("c904"), level);
        values.setNumber(box, 7);
        if (!gate.isEmpty())
            values.setNumber(gate, answer);
        values.applyRules();
        QCOMPARE(values.isOpen(box), open);
        if (box != gate)
            QCOMPARE(values.number(box), open ? 7 : 0); // a closed box holds 0
        QVERIFY(values.isOpen(QStringLiteral("c902")));
    }

    void limits_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("bound");
        QTest::addColumn<qint64>("minimum");
        QTest::addColumn<qint64>("maximum");
        QTest::addColumn<int>("digits");
        QTest::addColumn<bool>("decimals");
        QTest::newRow("code") << "c901" << true << 1LL << 9999999LL << 7 << false;
        QTest::newRow("region") << "c903" << true << 0LL << 999999LL << 6 << false;
        QTest::newRow("amount") << "z002" << true << 0LL << 99999999999999LL << 0 << false;
        QTest::newRow("amount with decimals") << "b016" << true << 0LL << 99999999999999LL << 0 << true;
        QTest::newRow("yes/no") << "b001" << true << 0LL << 2LL << 1 << false;
        QTest::newRow("yes/no with its own range") << "c001" << true << 1LL << 2LL << 1 << false;
        QTest::newRow("number with its own range") << "c002" << true << 0LL << 4LL << 1 << false;
        QTest::newRow("the catalogue's kind wins") << "c011" << true << 0LL << 99999999999999LL << 0 << false;
        QTest::newRow("unbound code box") << "c011" << false << 0LL << 2LL << 1 << false;
        QTest::newRow("unbound z001") << "z001" << false << 0LL << 999999999LL << 0 << false;
        QTest::newRow("unbound amount") << "z002" << false << 0LL << 99999999LL << 0 << false;
    }
    void limits()
    {
        QFETCH(QString, box);
        QFETCH(bool, bound);
        QFETCH(qint64, minimum);
        QFETCH(qint64, maximum);
        QFETCH(int, digits);
        QFETCH(bool, decimals);
        const entry::BoxLimits got =
            entry::BoxRules::standard().limits(box, bound ? m_catalogue.byFieldName(box) : nullptr);
        QCOMPARE(got, (entry::BoxLimits{minimum, maximum, digits, decimals}));
    }

    void standardLayoutMatchesTheCatalogue()
    {
        const entry::PageLayout layout = entry::PageLayout::standard();
        QCOMPARE(layout.pages().size(), 13);
        QCOMPARE(layout.pages()[4].caption, QStringLiteral("表4-续"));
        QVERIFY(layout.pages()[12].note.startsWith(QStringLiteral("(第c001-c008项")));
        int boxes = 0;
        for (const entry::LayoutPage &p : layout.pages()) {
            for (const QString &name : p.fieldNames()) {
                const db::CatalogueField *f = m_catalogue.byFieldName(name);
                QVERIFY2(f && f->pageId == p.index, qPrintable(name));
                ++boxes;
            }
        }
        QCOMPARE(boxes, 187);

        const auto parsed = entry::PageLayout::parse(QStringLiteral("# a comment\npage 1 甲 | 甲表\nnote 附注\n"
                                                                    "group 第一组\na001 a002\na003\ngroup 第二组\n"
                                                                    "page 2 乙 | 乙表\ngroup 唯一\nb001\n"));
        QCOMPARE(parsed.pages().size(), 2);
        const entry::LayoutPage &first = parsed.pages()[0];
        QCOMPARE(first.title, QStringLiteral("甲表"));
        QCOMPARE(first.note, QStringLiteral("附注"));
        QCOMPARE(first.groups.size(), 2);
        QCOMPARE(first.groups[0].rows, (QList<QStringList>{{"a001", "a002"}, {"a003"}}));
        QVERIFY(first.groups[1].rows.isEmpty());
        QCOMPARE(parsed.pages()[1].fieldNames(), QStringList{"b001"});
    }

    // Both files are built in; a mistake in them is reported with its line.
    void malformedFilesAreRefused_data()
    {
        QTest::addColumn<bool>("layout");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::newRow("row outside a group") << true << "page 1 甲 | 甲表\na001" << 2;
        QTest::newRow("page out of order") << true << "page 1 甲 | 甲\ngroup g\na001\npage 3 丙 | 丙" << 4;
        QTest::newRow("page without a title") << true << "page 1 甲" << 1;
        QTest::newRow("box twice") << true << "page 1 甲 | 甲\ngroup g\na001\nA001" << 4;
        const QString kinds = QStringLiteral("kind number 0..9\nkind yesno 0..2 1\nspare 0..9\n");
        QTest::newRow("unknown keyword") << false << kinds + "limit z001 0..9" << 4;
        QTest::newRow("range upside down") << false << kinds + "box c001 2..1" << 4;
        QTest::newRow("digits not a number") << false << kinds + "box c001 0..2 x" << 4;
        QTest::newRow("gate without its run") << false << kinds + "gate b001" << 4;
        QTest::newRow("unknown kind") << false << kinds + "kind money 0..9" << 4;
        QTest::newRow("no kinds at all") << false << "spare 0..9" << 0;
    }
    void malformedFilesAreRefused()
    {
        QFETCH(bool, layout);
        QFETCH(QString, text);
        QFETCH(int, line);
        try {
            if (layout)
                entry::PageLayout::parse(text);
            else
                entry::BoxRules::parse(text);
            QFAIL("accepted");
        } catch (const Error &e) {
            if (line > 0)
                QVERIFY2(e.text().contains(QStringLiteral("第%1行").arg(line)), qPrintable(e.text()));
        }
    }

    // Adding: a temporary save appends, later saves edit that row; a full save
    // remembers the cover's region, filler and telephone and begins the next record.
    void addingSavesAndBeginsTheNextRecord()
    {
        insert(4);
        m_settings->writeString(Settings::DataKey, QStringLiteral("c905"), QStringLiteral("王五"));
        open(true);
        QCOMPARE(m_edit->values().number("c901"), 5);
        QCOMPARE(m_edit->values().number("c904"), 10);
        QCOMPARE(m_edit->values().text("c905"), QStringLiteral("王五"));
        QVERIFY(!m_edit->isDirty());
        QVERIFY(!m_edit->canPrint());
        QVERIFY(m_edit->appending());

        fillCover();
        m_edit->setNumber(QStringLiteral("z001"), 10);
        m_edit->setNumber(QStringLiteral("z006"), 10);
        QVERIFY(m_edit->isDirty());
        QVERIFY(m_edit->saveTemporarily());
        QCOMPARE(m_ui.messages.last(), QStringLiteral("数据已经被临时保存。"));
        QCOMPARE(count(), 2);
        QCOMPARE(column(5, "RecordState").toInt(), 0);
        QVERIFY(m_edit->savedOnce() && !m_edit->appending());
        QCOMPARE(m_edit->CurrentCode(), 5);
        // a full save may still follow; closing no longer asks
        QVERIFY(!m_edit->canSaveTemporarily() && m_edit->canSave() && !m_edit->isDirty());

        const int loads = m_view.loads;
        m_edit->setNumber(QStringLiteral("z002"), 3);
        QVERIFY(m_edit->save());
        QCOMPARE(m_ui.messages.last(), QStringLiteral("数据保存成功，没有逻辑错误！"));
        QCOMPARE(count(), 2);
        QCOMPARE(column(5, "RecordState").toInt(), 1);
        QCOMPARE(column(5, "z002").toInt(), 3);
        QCOMPARE(column(5, "c902").toString(), QStringLiteral("测试市总工会"));
        QCOMPARE(m_settings->readInteger(Settings::EnvKey, QStringLiteral("AppLastCity"), 0), 130102);
        QCOMPARE(m_settings->readString(Settings::DataKey, QStringLiteral("c906")), QStringLiteral("0311-86000000"));
        // the next organisation
        QCOMPARE(m_view.loads, loads + 1);
        QCOMPARE(m_edit->values().number("c901"), 6);
        QCOMPARE(m_edit->values().number("c903"), 130102);
        QCOMPARE(m_edit->values().text("c905"), QStringLiteral("张三"));
        QCOMPARE(m_edit->values().text("c902"), QString());
        QCOMPARE(m_edit->values().number("z002"), 0);
        QVERIFY(m_edit->appending() && !m_edit->isDirty() && !m_edit->canSave());

        // a record the page rules find fault with is saved with state 2
        fillCover();
        m_edit->setNumber(QStringLiteral("z002"), 50);
        QVERIFY(m_edit->save());
        QCOMPARE(m_ui.messages.last(), QStringLiteral("数据保存成功，有逻辑错误！"));
        QCOMPARE(column(6, "RecordState").toInt(), 2);
        QCOMPARE(count(), 3);
    }

    // Modifying: the stored row is updated, also when its code changes.
    void modifyingUpdatesTheStoredRow()
    {
        insert(5);
        db().exec(QStringLiteral("UPDATE dt_data SET z001=10, z006=10, b001=2, b002=4"));
        open(false);
        QCOMPARE(m_edit->CurrentCode(), 5);
        QCOMPARE(m_edit->values().number("z001"), 10);
        QCOMPARE(m_edit->values().text("c905"), QStringLiteral("李四"));
        QCOMPARE(m_edit->values().number("b002"), 0); // behind a closed gate
        QVERIFY(m_edit->canPrint() && !m_edit->appending());

        m_edit->setNumber(QStringLiteral("c901"), 9);
        m_edit->setNumber(QStringLiteral("z002"), 2);
        QVERIFY(!m_edit->canPrint());
        QVERIFY(m_edit->save());
        QCOMPARE(count(), 1);
        QCOMPARE(column(9, "z002").toInt(), 2);
        QCOMPARE(column(9, "b002").toInt(), 0);
        QCOMPARE(m_edit->CurrentCode(), 9);
        QCOMPARE(m_view.loads, 1); // modifying stays on the record
    }

    void failedSaveKeepsTheChanges()
    {
        insert(5);
        db().exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON dt_data "
                                 "BEGIN SELECT RAISE(ABORT, '磁盘已满'); END"));
        open(false);
        m_edit->setNumber(QStringLiteral("z002"), 3);
        QVERIFY(!m_edit->save());
        QCOMPARE(m_ui.messages.last(), QStringLiteral("保存过程中遇到错误：磁盘已满数据没有被保存。"));
        QVERIFY(m_edit->isDirty());
        QCOMPARE(m_edit->CurrentCode(), 5);
        QVERIFY(!m_settings->contains(Settings::EnvKey, QStringLiteral("AppLastCity")));
    }

    // Closing with changes: asked once; Yes saves in full when the rules find
    // nothing, else temporarily; a refused cover keeps the window.
    void closing_data()
    {
        QTest::addColumn<bool>("change");
        QTest::addColumn<bool>("drop");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<qint64>("women");
        QTest::addColumn<bool>("emptyName");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<int>("state"); // RecordState afterwards; -1: the row was not written
        QTest::newRow("no changes") << false << false << true << 0LL << false << false << true << -1;
        QTest::newRow("changes dropped") << true << true << true << 0LL << false << false << true << -1;
        QTest::newRow("answered no") << true << false << false << 0LL << false << true << true << -1;
        QTest::newRow("yes, no logic errors") << true << false << true << 0LL << false << true << true << 1;
        QTest::newRow("yes, logic errors") << true << false << true << 50LL << false << true << true << 0;
        QTest::newRow("yes, cover refused") << true << false << true << 0LL << true << true << false << -1;
    }
    void closing()
    {
        QFETCH(bool, change);
        QFETCH(bool, drop);
        QFETCH(bool, yes);
        QFETCH(qint64, women);
        QFETCH(bool, emptyName);
        QFETCH(bool, asked);
        QFETCH(bool, closes);
        QFETCH(int, state);
        insert(5);
        db().exec(QStringLiteral("UPDATE dt_data SET z001=10, z006=10, RecordState=7"));
        open(false);
        if (change)
            m_edit->setNumber(QStringLiteral("z002"), women);
        if (emptyName)
            m_edit->setText(QStringLiteral("c902"), QString());
        if (drop)
            m_edit->dropChanges();
        m_ui.answer(yes);
        QCOMPARE(m_edit->closeQuery(), closes);
        QCOMPARE(m_ui.questions.size(), asked ? 1 : 0);
        QCOMPARE(column(5, "RecordState").toInt(), state < 0 ? 7 : state);
        if (state >= 0) {
            QCOMPARE(column(5, "z002").toLongLong(), women);
            QVERIFY(!m_edit->isDirty() && !m_edit->canSave());
        }
        if (!closes)
            QCOMPARE(m_view.focused, QStringList{"c902"});
    }
};

QTEST_GUILESS_MAIN(TestRecordEditing)
#include "tst_recordediting.moc"
