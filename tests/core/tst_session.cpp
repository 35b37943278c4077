#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "app/AppPaths.h"
#include "app/DatabaseCommands.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/VersionInfo.h"
#include "db/CodeCheck.h"

#include <QSignalSpy>
#include <QtTest>

using namespace tq;

class TestSession : public QObject {
    Q_OBJECT

    QTemporaryDir m_program; // stands for the program's folder
    QTemporaryDir m_other;

    QString writeFile(const QString &name, const QByteArray &content)
    {
        const QString p = m_other.filePath(name);
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return p;
    }

private slots:
    void init()
    {
        AppPaths::setProgramDir(m_program.path());
        QFile::remove(AppPaths::defaultDatabasePath());
        tq::test::newSurveyDatabase(m_program);
    }

    void startUpOpensTheDefaultDatabase()
    {
        Session s;
        Settings settings(m_other.filePath(QStringLiteral("start.ini")));
        test::ScriptedInteraction ui;
        Preferences prefs;
        QVERIFY(startSession(s, settings, ui, prefs));
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(s.label(), QStringLiteral("默认数据库"));
        QCOMPARE(s.path(), QFileInfo(AppPaths::defaultDatabasePath()).absoluteFilePath());
        QCOMPARE(s.windowTitle(), QStringLiteral("2009年度全国工会统计年报--基层以上工会调查表 - 默认数据库"));
    }

    void startUpEndsWithoutAUsableDefault_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << QByteArray() << QStringLiteral("没有找到系统数据文件，请重新安装。");
        QTest::newRow("damaged") << QByteArray(8192, '\x5a') << QStringLiteral("软件安装不正确，请与软件提供者联系！");
    }
    void startUpEndsWithoutAUsableDefault()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        QFile::remove(AppPaths::defaultDatabasePath());
        if (!content.isEmpty()) {
            QFile f(AppPaths::defaultDatabasePath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        Session s;
        Settings settings(m_other.filePath(QStringLiteral("start.ini")));
        test::ScriptedInteraction ui;
        Preferences prefs;
        QVERIFY(!startSession(s, settings, ui, prefs));
        QCOMPARE(ui.messages, QStringList{expected});
        QVERIFY(!s.isOpen());
    }

    void openOtherKeepsTheOpenDatabaseOnABadChoice_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message"); // empty: any text will do, but one must come
        QTest::newRow("cancelled") << "cancel"
                                   << "-";
        QTest::newRow("blank name") << "blank"
                                    << "-";
        QTest::newRow("not there") << "missing" << QStringLiteral("您选择的文件并不存在，请选择其它文件。");
        QTest::newRow("not sqlite") << "junk" << QString();
        QTest::newRow("sqlite, not a survey") << "foreign" << QString();
    }
    void openOtherKeepsTheOpenDatabaseOnABadChoice()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        Session s;
        s.openDatabase();
        const QString before = s.path();
        test::ScriptedInteraction ui;
        if (kind == QLatin1String("cancel"))
            ui.answer(QString());
        else if (kind == QLatin1String("blank"))
            ui.answer(QStringLiteral("   "));
        else if (kind == QLatin1String("missing"))
            ui.answer(m_other.filePath(QStringLiteral("nothing.mdb")));
        else if (kind == QLatin1String("junk"))
            ui.answer(writeFile(QStringLiteral("junk.mdb"), QByteArray("not a database\n").repeated(300)));
        else {
            const QString p = m_other.filePath(QStringLiteral("foreign.mdb"));
            QFile::remove(p);
            db::Database::createEmpty(p);
            db::Database::open(p).exec(QStringLiteral("CREATE TABLE other (x)"));
            ui.answer(p);
        }
        QSignalSpy opened(&s, &Session::databaseOpened);
        QCOMPARE(DatabaseCommands(s, ui).openOther(), DatabaseCommands::Outcome::Unchanged);
        QCOMPARE(ui.dialogs, QStringList{QStringLiteral("选择数据库文件|Access文件(*.mdb)")});
        if (message == QLatin1String("-"))
            QVERIFY(ui.messages.isEmpty());
        else if (message.isEmpty())
            QCOMPARE(ui.messages.size(), 1);
        else
            QCOMPARE(ui.messages, QStringList{message});
        QCOMPARE(opened.count(), 0);
        QVERIFY(s.isOpen());
        QCOMPARE(s.path(), before);
        QCOMPARE(s.db().scalar(QStringLiteral("SELECT db_name FROM ct_label")).toString(),
                 QStringLiteral("默认数据库"));
    }

    void openOtherAndBackToTheDefault()
    {
        const QString other = tq::test::newSurveyDatabase(m_other, QStringLiteral("other.mdb"));
        db::Database::open(other).exec(QStringLiteral("update ct_label set db_name = '某省总工会'"));
        Session s;
        s.openDatabase();
        QSignalSpy opened(&s, &Session::databaseOpened);
        test::ScriptedInteraction ui;
        ui.answer(other);
        QCOMPARE(DatabaseCommands(s, ui).openOther(), DatabaseCommands::Outcome::Opened);
        QCOMPARE(ui.messages, QStringList{QStringLiteral("已经打开您选择的数据库--某省总工会")});
        QCOMPARE(s.label(), QStringLiteral("某省总工会"));
        // opening the file that is open re-reads it like any other
        ui.answer(other);
        QCOMPARE(DatabaseCommands(s, ui).openOther(), DatabaseCommands::Outcome::Opened);
        QCOMPARE(DatabaseCommands(s, ui).openDefault(), DatabaseCommands::Outcome::Opened);
        QCOMPARE(ui.messages.last(), QStringLiteral("已经打开软件默认数据库--默认数据库"));
        QCOMPARE(opened.count(), 3);

        QFile::remove(AppPaths::defaultDatabasePath());
        QCOMPARE(DatabaseCommands(s, ui).openDefault(), DatabaseCommands::Outcome::EndProgram);
        QCOMPARE(ui.messages.last(), QStringLiteral("没有找到系统数据文件，请重新安装。"));
    }

    // A file made elsewhere may hold codes that are not whole numbers: it
    // opens, and the user hears how many and where; the imports ask the same
    // of a file they have attached.
    void codesThatAreNotWholeAreReported()
    {
        const QString other = tq::test::newSurveyDatabase(m_other, QStringLiteral("odd.mdb"));
        {
            db::Database d = db::Database::open(other);
            d.exec(QStringLiteral("PRAGMA ignore_check_constraints = ON")); // as an older file would allow
            d.exec(QStringLiteral("INSERT INTO dt_data (c901) VALUES (100001), (100001.5), ('x9'), (0)"));
        }
        Session s;
        s.openDatabase();
        test::ScriptedInteraction ui;
        ui.answer(other);
        QCOMPARE(DatabaseCommands(s, ui).openOther(), DatabaseCommands::Outcome::Opened);
        QCOMPARE(ui.messages,
                 (QStringList{QStringLiteral("已经打开您选择的数据库--默认数据库"),
                              QStringLiteral("数据库文件 ") + QDir::toNativeSeparators(s.path()) +
                                  QStringLiteral(" 中有 2 个记录的单位编号不是整数，请核对这些记录的单位编号。")}));
        QCOMPARE(s.db().scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toInt(), 4);

        s.openDatabase();
        QCOMPARE(s.notWholeCodes(), 0);
        s.db().attach(other, QStringLiteral("aux"));
        QCOMPARE(db::CodeCheck::countNotWhole(s.db(), QStringLiteral("aux")), 2);
        QCOMPARE(db::CodeCheck::countNotWhole(s.db()), 0);
    }

    void labelIsStoredAsTyped_data()
    {
        QTest::addColumn<QVariant>("answer"); // invalid: cancelled
        QTest::addColumn<QString>("label");
        QTest::newRow("quotes") << QVariant(QStringLiteral("张三's \"工会\" `x`"))
                                << QStringLiteral("张三's \"工会\" `x`");
        QTest::newRow("default text is a label too")
            << QVariant(QStringLiteral("默认数据库")) << QStringLiteral("默认数据库");
        QTest::newRow("empty changes nothing") << QVariant(QString()) << QStringLiteral("默认数据库");
        QTest::newRow("cancel changes nothing") << QVariant() << QStringLiteral("默认数据库");
    }
    void labelIsStoredAsTyped()
    {
        QFETCH(QVariant, answer);
        QFETCH(QString, label);
        Session s;
        s.openDatabase();
        test::ScriptedInteraction ui;
        ui.answer(answer);
        QSignalSpy changed(&s, &Session::labelChanged);
        DatabaseCommands(s, ui).editLabel();
        QCOMPARE(ui.inputs,
                 QStringList{QStringLiteral("设置数据库标识|请输入数据库的标识，长度不要超过200个汉字|默认数据库")});
        QCOMPARE(s.label(), label);
        QCOMPARE(s.db().scalar(QStringLiteral("SELECT db_name FROM ct_label")).toString(), label);
        QCOMPARE(s.windowTitle(), Session::windowTitleFor(label));
        QCOMPARE(changed.count(), answer.isValid() && !answer.toString().isEmpty() ? 1 : 0);
    }

    void overrideMarksEveryRecordPassed()
    {
        Session s;
        s.openDatabase();
        s.db().exec(QStringLiteral("INSERT INTO dt_data (c901, RecordState) VALUES (1, 0), (2, 2), (3, 1)"));
        test::ScriptedInteraction ui;
        DatabaseCommands(s, ui).markAllPassed();
        QCOMPARE(s.db().scalar(QStringLiteral("SELECT count(*) FROM dt_data WHERE RecordState = 1")).toInt(), 3);
    }

    void settingsPrimitivesAndFirstStart()
    {
        const QString ini = m_other.filePath(QStringLiteral("settings.ini"));
        QFile::remove(ini);
        {
            Settings st(ini);
            QCOMPARE(st.readString(Settings::MainKey, QStringLiteral("Version"), QStringLiteral("000")),
                     QStringLiteral("000"));
            QCOMPARE(st.readInteger(Settings::MainKey, QStringLiteral("ShowGrid"), 1), 1);
            const Preferences p = initialiseSettings(st, QStringLiteral("/opt/tallowmere"));
            QVERIFY(p.imePrefer.isEmpty());
            QVERIFY(!p.inputWndStyle);
            QCOMPARE(st.readString(Settings::MainKey, QStringLiteral("ServicePack")), QStringLiteral("None"));
            QCOMPARE(st.readString(Settings::MainKey, QStringLiteral("FilePath")), QStringLiteral("/opt/tallowmere"));
            QCOMPARE(st.readInteger(Settings::MainKey, QStringLiteral("AppTyp"), 0), 1);
            QVERIFY(st.contains(Settings::EnvKey, QStringLiteral("ImePrefer")));
            QCOMPARE(st.readInteger(Settings::EnvKey, QStringLiteral("InputWndStyle"), 9), 0);

            // without Version the first-start values are written again on every start
            st.writeString(Settings::EnvKey, QStringLiteral("ImePrefer"), QStringLiteral("pinyin"));
            QVERIFY(initialiseSettings(st, QStringLiteral("/x")).imePrefer.isEmpty());
            QCOMPARE(st.readString(Settings::EnvKey, QStringLiteral("ImePrefer"), QStringLiteral("gone")),
                     QStringLiteral("gone"));

            st.writeString(Settings::MainKey, QStringLiteral("Version"), QStringLiteral("1.3"));
            st.writeString(Settings::EnvKey, QStringLiteral("ImePrefer"), QStringLiteral("pinyin"));
            st.writeInteger(Settings::EnvKey, QStringLiteral("InputWndStyle"), 1);
            st.writeString(Settings::DataKey, QStringLiteral("c905"), QStringLiteral("王五"));
            st.writeString(Settings::EnvKey, QStringLiteral("AppLastCity"), QStringLiteral("abc"));
            st.writeBool(Settings::DataKey, QStringLiteral("CheckBox1"), true);
        }
        Settings again(ini); // written values are on disk
        const Preferences p = initialiseSettings(again, QStringLiteral("/x"));
        QCOMPARE(p.imePrefer, QStringLiteral("pinyin"));
        QVERIFY(p.inputWndStyle);
        QCOMPARE(again.readString(Settings::DataKey, QStringLiteral("c905")), QStringLiteral("王五"));
        QCOMPARE(again.readInteger(Settings::EnvKey, QStringLiteral("AppLastCity"), 0), 0); // not a number
        QCOMPARE(again.readInteger(Settings::DataKey, QStringLiteral("CheckBox1"), 0), 1);
    }

    void versionAndBuildComeFromTheFileVersion()
    {
        QCOMPARE(VersionInfo::parse(QStringLiteral("1.3.3"), QStringLiteral("1.3.3.632")).build, 632);
        QCOMPARE(VersionInfo::parse(QString(), QString()).build, -1);
        QCOMPARE(VersionInfo::current().displayText(), QStringLiteral("1.3.3 (Build 632)"));
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
