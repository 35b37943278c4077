#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "db/Database.h"
#include "entry/CoverValidation.h"

#include <QtTest>

using namespace tq;
using namespace tq::entry;

namespace {

// The cover as the editor would show it; every call the checks make on it is logged.
class FakeCover : public CoverView {
public:
    QHash<CoverBox, qint64> values{{CoverBox::c901, 8}, {CoverBox::c903, 110101}, {CoverBox::c904, 1}};
    QHash<CoverBox, QString> texts{{CoverBox::c902, QStringLiteral("某市总工会")},
                                   {CoverBox::c905, QStringLiteral("张三")},
                                   {CoverBox::c906, QStringLiteral("010-1234")}};
    bool adding = true;
    bool loaded = true;
    qint64 currentCode = 0;
    CodeList levels{{1, QStringLiteral("省（自治区、直辖市）总工会")}, {10, QStringLiteral("其他基层以上工会")}};
    QStringList log;

    qint64 boxValue(CoverBox box) const override { return values.value(box); }
    QString boxText(CoverBox box) const override { return texts.value(box); }
    void setBoxText(CoverBox box, const QString &text) override
    {
        texts[box] = text;
        log << QStringLiteral("text %1=%2").arg(coverBoxName(box), text);
    }
    void focusBox(CoverBox box) override { log << QStringLiteral("focus ") + coverBoxName(box); }
    bool IsAdding() const override { return adding; }
    qint64 CurrentCode() const override { return currentCode; }
    const CodeList &LevelCodes() const override { return levels; }
    bool Loaded() const override { return loaded; }
    void disableSaveButtons() override { log << QStringLiteral("disable"); }
    void showCoverPage() override { log << QStringLiteral("cover"); }
    void setRegionName(const QString &name, qint64 code) override
    {
        log << QStringLiteral("region %1=%2").arg(name).arg(code);
    }
    void setLevelName(const QString &name, qint64 code) override
    {
        log << QStringLiteral("level %1=%2").arg(name).arg(code);
    }
    void ApplyLevelRules(qint64 level) override { log << QStringLiteral("apply %1").arg(level); }
};

using Values = QHash<QString, QVariant>;

void apply(FakeCover &cover, const Values &given)
{
    static const QHash<QString, CoverBox> boxes{{"c901", CoverBox::c901}, {"c902", CoverBox::c902},
                                                {"c903", CoverBox::c903}, {"c904", CoverBox::c904},
                                                {"c905", CoverBox::c905}, {"c906", CoverBox::c906}};
    for (auto it = given.cbegin(); it != given.cend(); ++it) {
        const CoverBox box = boxes.value(it.key());
        if (it.value().typeId() == QMetaType::QString)
            cover.texts[box] = it.value().toString();
        else
            cover.values[box] = it.value().toLongLong();
    }
}

const QString kDupAdd = QStringLiteral("在增加数据时，填写的本级工会编码为5，该编码的数据已经存在，请改用其它编码。");
const QString kDupModify = QStringLiteral("在修改数据时，将本级工会编码改为7，该编码的数据已经存在，请改用其它编码。");
const QString kBadRegion = QStringLiteral("输入的行政区划代码错误，请重新输入，或用对话框选择");
const QString kBadLevel = QStringLiteral("输入的本级工会层次代码不合法，请重新输入或通过列表选择");

} // namespace

Q_DECLARE_METATYPE(Values)

class TestCover : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    db::Database m_db;

private slots:
    void initTestCase()
    {
        m_db = db::Database::open(test::newSurveyDatabase(m_dir));
        m_db.exec(QStringLiteral("INSERT INTO dt_data (c901, c902) VALUES (5, 'a'), (7, 'b')"));
        // A row with a short code, so that "99999 or less is wrong" is not just "not found".
        m_db.exec(QStringLiteral("INSERT INTO CT_CityName VALUES (99999, 9, 99, 99, '短码', '短码')"));
    }

    void checkCover_data()
    {
        QTest::addColumn<bool>("adding");
        QTest::addColumn<qint64>("currentCode");
        QTest::addColumn<Values>("given");
        QTest::addColumn<QString>("message"); // empty: the cover passes
        QTest::addColumn<QStringList>("log");

        const QStringList none;
        QTest::newRow("complete new record") << true << qint64(0) << Values{} << QString() << none;
        QTest::newRow("code 1 (blank box) passes") << true << qint64(0) << Values{{"c901", 1}} << QString() << none;
        QTest::newRow("code 0") << true << qint64(0) << Values{{"c901", 0}} << QStringLiteral("本级工会编码必须大于0!")
                                << QStringList{"focus c901"};
        QTest::newRow("negative code") << false << qint64(5) << Values{{"c901", -3}}
                                       << QStringLiteral("本级工会编码必须大于0!") << QStringList{"focus c901"};
        QTest::newRow("adding an existing code")
            << true << qint64(0) << Values{{"c901", 5}} << kDupAdd << QStringList{"disable", "cover", "focus c901"};
        QTest::newRow("adding after a temporary save") << true << qint64(5) << Values{{"c901", 5}} << QString() << none;
        QTest::newRow("modifying, code unchanged") << false << qint64(5) << Values{{"c901", 5}} << QString() << none;
        QTest::newRow("modifying to an existing code")
            << false << qint64(5) << Values{{"c901", 7}} << kDupModify << QStringList{"disable", "cover", "focus c901"};
        QTest::newRow("modifying to a free code") << false << qint64(5) << Values{{"c901", 9}} << QString() << none;
        QTest::newRow("blank name") << true << qint64(0) << Values{{"c902", "  "}}
                                    << QStringLiteral("必须输入本级工会名称") << QStringList{"focus c902"};
        QTest::newRow("region 0") << true << qint64(0) << Values{{"c903", 0}} << kBadRegion
                                  << QStringList{"focus c903"};
        QTest::newRow("region 99999 in the table")
            << true << qint64(0) << Values{{"c903", 99999}} << kBadRegion << QStringList{"focus c903"};
        QTest::newRow("unknown region") << true << qint64(0) << Values{{"c903", 110199}} << kBadRegion
                                        << QStringList{"focus c903"};
        QTest::newRow("level 0") << true << qint64(0) << Values{{"c904", 0}} << kBadLevel << QStringList{"focus c904"};
        QTest::newRow("unknown level") << true << qint64(0) << Values{{"c904", 3}} << kBadLevel
                                       << QStringList{"focus c904"};
        QTest::newRow("blank filler") << true << qint64(0) << Values{{"c905", ""}} << QStringLiteral("必须输入填表人")
                                      << QStringList{"focus c905"};
        QTest::newRow("blank telephone") << true << qint64(0) << Values{{"c906", " "}}
                                         << QStringLiteral("必须输入联系电话") << QStringList{"focus c906"};
        QTest::newRow("telephone form not checked") << true << qint64(0) << Values{{"c906", "x"}} << QString() << none;
        QTest::newRow("first failure wins")
            << true << qint64(0) << Values{{"c901", 5}, {"c902", ""}, {"c903", 0}, {"c906", ""}} << kDupAdd
            << QStringList{"disable", "cover", "focus c901"};
        QTest::newRow("name before region") << true << qint64(0) << Values{{"c902", ""}, {"c903", 0}, {"c905", ""}}
                                            << QStringLiteral("必须输入本级工会名称") << QStringList{"focus c902"};
    }

    void checkCover()
    {
        QFETCH(bool, adding);
        QFETCH(qint64, currentCode);
        QFETCH(Values, given);
        QFETCH(QString, message);
        QFETCH(QStringList, log);

        FakeCover cover;
        cover.adding = adding;
        cover.currentCode = currentCode;
        apply(cover, given);
        test::ScriptedInteraction ui;
        CoverValidation v(m_db, ui, cover);
        QCOMPARE(v.CheckCover(), message.isEmpty());
        QCOMPARE(ui.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(cover.log, log);
    }

    void exitHandlers_data()
    {
        QTest::addColumn<QString>("handler");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<Values>("given");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("log");

        const QString thirty = QString(30, QChar(u'中'));
        QTest::newRow("c902 cut to 60 bytes") << "c902" << true << Values{{"c902", thirty + QStringLiteral("中")}}
                                              << QStringList() << QStringList{"text c902=" + thirty};
        QTest::newRow("c902 cut never splits a character")
            << "c902" << true << Values{{"c902", QStringLiteral("a") + thirty}} << QStringList()
            << QStringList{"text c902=a" + QString(29, QChar(u'中'))};
        QTest::newRow("c902 at 60 bytes untouched")
            << "c902" << true << Values{{"c902", thirty}} << QStringList() << QStringList();
        QTest::newRow("c902 blank") << "c902" << true << Values{{"c902", " "}} << QStringList{"必须输入本级工会名称"}
                                    << QStringList{"focus c902"};
        QTest::newRow("c902 while loading")
            << "c902" << false << Values{{"c902", thirty + QStringLiteral("中")}} << QStringList() << QStringList();
        QTest::newRow("c905 cut to 50") << "c905" << true << Values{{"c905", QString(51, QChar(u'x'))}} << QStringList()
                                        << QStringList{"text c905=" + QString(50, QChar(u'x'))};
        QTest::newRow("c905 blank") << "c905" << true << Values{{"c905", ""}} << QStringList{"必须输入填表人"}
                                    << QStringList{"focus c905"};
        QTest::newRow("c906 cut to 50, then blank")
            << "c906" << true << Values{{"c906", QString(60, QChar(u' '))}} << QStringList{"必须输入联系电话"}
            << QStringList{"text c906=" + QString(50, QChar(u' ')), "focus c906"};
        QTest::newRow("c903 known") << "c903" << true << Values{{"c903", 110101}} << QStringList()
                                    << QStringList{"region 北京市东城区=110101"};
        QTest::newRow("c903 unknown") << "c903" << true << Values{{"c903", 110199}} << QStringList{kBadRegion}
                                      << QStringList{"focus c903"};
        QTest::newRow("c903 while loading")
            << "c903" << false << Values{{"c903", 110199}} << QStringList() << QStringList();
        QTest::newRow("c903 silent, known") << "c903 silent" << false << Values{{"c903", 110101}} << QStringList()
                                            << QStringList{"region 北京市东城区=110101"};
        QTest::newRow("c903 silent, unknown")
            << "c903 silent" << false << Values{{"c903", 0}} << QStringList() << QStringList{"focus c903"};
        QTest::newRow("c904 known") << "c904" << true << Values{{"c904", 10}} << QStringList()
                                    << QStringList{"level 其他基层以上工会=10", "apply 10"};
        QTest::newRow("c904 unknown") << "c904" << true << Values{{"c904", 4}} << QStringList{kBadLevel}
                                      << QStringList{"focus c904"};
        QTest::newRow("c904 while loading") << "c904" << false << Values{{"c904", 4}} << QStringList() << QStringList();
        QTest::newRow("c904 silent, known") << "c904 silent" << false << Values{{"c904", 1}} << QStringList()
                                            << QStringList{"level 省（自治区、直辖市）总工会=1", "apply 1"};
        QTest::newRow("c904 silent, unknown")
            << "c904 silent" << false << Values{{"c904", 4}} << QStringList() << QStringList{"focus c904"};
    }

    void exitHandlers()
    {
        QFETCH(QString, handler);
        QFETCH(bool, loaded);
        QFETCH(Values, given);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, log);

        FakeCover cover;
        cover.loaded = loaded;
        apply(cover, given);
        test::ScriptedInteraction ui;
        CoverValidation v(m_db, ui, cover);
        const QHash<QString, void (CoverValidation::*)()> handlers{{"c902", &CoverValidation::c902Exit},
                                                                   {"c905", &CoverValidation::c905Exit},
                                                                   {"c906", &CoverValidation::c906Exit},
                                                                   {"c903", &CoverValidation::c903Exit},
                                                                   {"c904", &CoverValidation::c904Exit},
                                                                   {"c903 silent", &CoverValidation::c903ExitSilent},
                                                                   {"c904 silent", &CoverValidation::c904ExitSilent}};
        (v.*handlers.value(handler))();
        QCOMPARE(ui.messages, messages);
        QCOMPARE(cover.log, log);
    }

    void lookups()
    {
        test::ScriptedInteraction ui;
        QCOMPARE(RegionName(m_db, 110101, ui), QStringLiteral("北京市东城区"));
        QCOMPARE(RegionName(m_db, 99999, ui), QString());
        QCOMPARE(RegionName(m_db, 110199, ui), QString());
        QVERIFY(ui.messages.isEmpty());

        const CodeList list{{1, QStringLiteral("甲")},
                            {2, QStringLiteral("乙")},
                            {1, QStringLiteral("丙")},
                            {3, QStringLiteral(" 丁")}};
        QCOMPARE(CodeName(list, 1), QStringLiteral("甲"));
        QCOMPARE(CodeName(list, 4), QString());
        QCOMPARE(CodeOf(list, QStringLiteral("乙")), qint64(2));
        QCOMPARE(CodeOf(list, QStringLiteral("丁")), qint64(0)); // exact match only
        QCOMPARE(CodeOf(list, QStringLiteral("戊")), qint64(0));

        const CodeList levels = loadLevelCodes(m_db);
        QCOMPARE(levels.size(), 10);
        QCOMPARE(levels.first().code, qint64(1));
        QCOMPARE(levels.last().code, qint64(10));
        QCOMPARE(CodeName(levels, 0), QString()); // 未分类 is not a level one can report
    }

    void regionNameReportsDatabaseErrors()
    {
        QTemporaryDir dir;
        db::Database db = db::Database::open(test::newSurveyDatabase(dir));
        db.exec(QStringLiteral("DROP TABLE CT_CityName"));
        test::ScriptedInteraction ui;
        QCOMPARE(RegionName(db, 110101, ui), QString());
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY2(ui.messages.first().startsWith(QStringLiteral("运行中发生错误：")), qPrintable(ui.messages.first()));
        QVERIFY(ui.messages.first().contains(QStringLiteral("CT_CityName")));
        QVERIFY(ui.messages.first().endsWith(QStringLiteral(",请与系统管理员或软件发行者联系。")));
    }

    void gbkCut_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maxBytes");
        QTest::addColumn<QString>("cut");
        QTest::newRow("fits") << QStringLiteral("abc") << 3 << QStringLiteral("abc");
        QTest::newRow("ascii") << QStringLiteral("abcd") << 3 << QStringLiteral("abc");
        QTest::newRow("chinese counts two") << QStringLiteral("中文字") << 4 << QStringLiteral("中文");
        QTest::newRow("half a character is dropped") << QStringLiteral("a中") << 2 << QStringLiteral("a");
        QTest::newRow("full-width punctuation") << QStringLiteral("（）x") << 4 << QStringLiteral("（）");
        QTest::newRow("empty") << QString() << 0 << QString();
    }

    void gbkCut()
    {
        QFETCH(QString, text);
        QFETCH(int, maxBytes);
        QFETCH(QString, cut);
        QCOMPARE(cutToGbkBytes(text, maxBytes), cut);
    }
};

QTEST_GUILESS_MAIN(TestCover)
#include "tst_cover.moc"
