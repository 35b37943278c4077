#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "app/AppPaths.h"
#include "app/Session.h"
#include "app/TMainForm.h"
#include "exchange/ReportExport.h"
#include "exchange/TdlgMultiExportForm.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

using namespace tq;

class TestExchangeForms : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_serial = 0;

    QString database(const QString &label, const QList<int> &codes)
    {
        const QString path = test::newSurveyDatabase(m_dir, QStringLiteral("db%1.mdb").arg(++m_serial));
        db::Database db = db::Database::open(path);
        db.exec(QStringLiteral("update ct_label set db_name = ?"), {label});
        for (int c : codes)
            db.exec(QStringLiteral("INSERT INTO dt_data (c901, c902, c904, RecordState) VALUES (?, '单位', 5, 1)"),
                    {c});
        return path;
    }
    QString report(const QString &label, const QList<int> &codes)
    {
        Session s;
        s.openDatabase(database(label, codes));
        test::ScriptedInteraction ui;
        const QString target = m_dir.filePath(QStringLiteral("report%1.mdb").arg(++m_serial));
        exchange::ReportExport(s, ui).write(target, label, QStringLiteral(TQ_BIN_DIR "/view.dll"));
        return target;
    }

private slots:
    void batchDialogBrowsesAndImports()
    {
        const QString a = report(QStringLiteral("甲县"), {11, 12});
        const QString b = report(QStringLiteral("乙县"), {13});
        Session s;
        s.openDatabase(database(QStringLiteral("市"), {1}));
        test::ScriptedInteraction ui;
        int refreshes = 0;
        gui::TdlgMultiExportForm dlg(s, ui, m_dir.path(), [&] { ++refreshes; });
        QCOMPARE(dlg.windowTitle(), QStringLiteral("数据批量导入"));
        QVERIFY(!dlg.importButton()->isEnabled()); // nothing chosen yet

        ui.answer(QStringList{a, b});
        dlg.btnBrowseClick();
        QCOMPARE(dlg.labelMemo()->toPlainText(), QStringLiteral("甲县 || 乙县"));
        QCOMPARE(dlg.pathEdit()->text(), a + QLatin1Char(';') + b);
        QVERIFY(dlg.pathEdit()->isReadOnly() && dlg.labelMemo()->isReadOnly());
        QVERIFY(dlg.importButton()->isEnabled());

        ui.answer(QVariant()); // a cancelled browse keeps the choice
        dlg.btnBrowseClick();
        QCOMPARE(dlg.chosenFiles(), (QStringList{a, b}));

        QTest::mouseClick(dlg.importButton(), Qt::LeftButton);
        QCOMPARE(dlg.bar()->value(), 100);
        QCOMPARE(ui.messages, QStringList{QStringLiteral("数据已经被正确地导入!")});
        QCOMPARE(refreshes, 1);
        QCOMPARE(s.db().scalar(QStringLiteral("SELECT group_concat(c901) FROM dt_data")).toString(),
                 QStringLiteral("1,11,12,13"));
        QVERIFY(dlg.importButton()->isEnabled() && dlg.cancelButton()->isEnabled());
    }

    void mainWindowCommandsReachTheirWork()
    {
        AppPaths::setProgramDir(m_dir.path());
        QFile::remove(AppPaths::defaultDatabasePath());
        test::newSurveyDatabase(m_dir);
        Session s;
        s.openDatabase();
        Settings settings(m_dir.filePath(QStringLiteral("s.ini")));
        settings.writeString(QString(), QStringLiteral("ReportFolder"), m_dir.path());
        test::ScriptedInteraction ui;
        Preferences prefs;
        gui::TMainForm w(s, settings, ui, prefs);
        const QString file = report(QStringLiteral("甲县"), {21, 22, 23});

        ui.answer(file);
        ui.answer(false); // declined: nothing changes
        w.findChild<QAction *>(QStringLiteral("actFastImport"))->trigger();
        QCOMPARE(w.recordList().rowCount(), 0);
        ui.answer(file);
        ui.answer(true);
        w.findChild<QAction *>(QStringLiteral("actFastImport"))->trigger();
        QCOMPARE(w.recordList().rowCount(), 3); // the list follows the import
        QVERIFY(w.findChild<QAction *>(QStringLiteral("actModify"))->isEnabled());

        s.db().exec(QStringLiteral("UPDATE dt_data SET RecordState = 0 WHERE c901 = 22"));
        ui.messages.clear();
        w.findChild<QAction *>(QStringLiteral("actExport"))->trigger();
        QCOMPARE(ui.messages, QStringList{QStringLiteral("存在临时保存或逻辑错误的数据，不能上报!")});
    }
};

QTEST_MAIN(TestExchangeForms)
#include "tst_exchangeforms.moc"
