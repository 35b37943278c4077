#include "Fixtures.h"
#include "ScriptedInteraction.h"
#include "app/AppPaths.h"
#include "app/DatabaseCommands.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/UpdateCheck.h"
#include "common/Gbk.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace tq;

namespace {

// A web server on the loopback address that answers every request with one
// canned response ("stall": it takes the connection and never answers).
class CannedServer : public QObject {
public:
    explicit CannedServer(QByteArray response) : m_response(std::move(response))
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    m_request += s->readAll();
                    if (!m_request.contains("\r\n\r\n") || m_response == "stall")
                        return;
                    s->write(m_response);
                    s->disconnectFromHost();
                });
            }
        });
    }
    QUrl url(const QString &path = QStringLiteral("/TQVersion.txt")) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    const QByteArray &request() const { return m_request; }

    static QByteArray ok(const QByteArray &body)
    {
        return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body;
    }

private:
    QTcpServer m_server;
    QByteArray m_response;
    QByteArray m_request;
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

const QString kUpdateMessage =
    QStringLiteral("软件有更新，请到全总统计网站上(http://127.0.0.1:%1)下载更新版本补丁,并安装在原安装路径下!");

} // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT

    QTemporaryDir m_program;
    QString programFile(const QString &name) const { return m_program.filePath(name); }

private slots:
    void init()
    {
        AppPaths::setProgramDir(m_program.path());
        QDir(m_program.path()).removeRecursively();
        QDir().mkpath(m_program.path());
    }

    void readMark_data()
    {
        QTest::addColumn<QByteArray>("content"); // "<none>": no file
        QTest::addColumn<QString>("mark");
        QTest::newRow("plain") << QByteArray("[version]\r\nVer=2009-1.3.3\r\n") << "2009-1.3.3";
        QTest::newRow("no file") << QByteArray("<none>") << "未知版";
        QTest::newRow("no key") << QByteArray("[version]\r\nBuild=632\r\n") << "未知版";
        QTest::newRow("key in another section") << QByteArray("[patch]\r\nVer=9\r\n[version]\r\n") << "未知版";
        QTest::newRow("names in any case, spaces, quotes")
            << QByteArray("; installed by setup\n[ Version ]\n ver = \"2009-1.3.4 补丁\" \n") << "2009-1.3.4 补丁";
        QTest::newRow("GBK text") << (QByteArray("[version]\r\nVer=") + Gbk::encode(QStringLiteral("二〇〇九版")))
                                  << "二〇〇九版";
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF[version]\nVer=1.3.3\n") << "1.3.3";
    }
    void readMark()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, mark);
        const QString path = programFile(QStringLiteral("mark.ini"));
        if (content != "<none>")
            writeFile(path, content);
        QCOMPARE(UpdateCheck::readMark(path), mark);
    }

    void addresses_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("published");
        QTest::addColumn<QString>("site");
        QTest::newRow("file address") << "http://tj.example.org/nb/TQVersion.txt"
                                      << "http://tj.example.org/nb/TQVersion.txt"
                                      << "http://tj.example.org";
        QTest::newRow("site only") << "http://tj.example.org"
                                   << "http://tj.example.org/TQVersion.txt"
                                   << "http://tj.example.org";
        QTest::newRow("folder, no scheme, port") << " tj.example.org:8080/nb/ "
                                                 << "http://tj.example.org:8080/nb/TQVersion.txt"
                                                 << "http://tj.example.org:8080";
        QTest::newRow("not set") << ""
                                 << ""
                                 << "";
    }
    void addresses()
    {
        QFETCH(QString, setting);
        QFETCH(QString, published);
        QFETCH(QString, site);
        const QUrl url = UpdateCheck::publishedUrl(setting);
        QCOMPARE(url.toString(), published);
        QCOMPARE(url.isValid(), !published.isEmpty());
        if (url.isValid())
            QCOMPARE(UpdateCheck::siteAddress(url), site);
    }

    void checkAgainstThePublishedMark_data()
    {
        QTest::addColumn<QByteArray>("installed"); // "<none>": no OldVersion.ini
        QTest::addColumn<QByteArray>("response");  // "<no server>": nothing listens
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("versionIniLeft");
        const QByteArray ini = "[version]\r\nVer=2009-1.3.3\r\n";
        using O = UpdateCheck::Outcome;
        QTest::newRow("equal mark") << ini << CannedServer::ok(ini) << int(O::Current) << false;
        QTest::newRow("differing mark") << ini << CannedServer::ok("[version]\r\nVer=2009-1.3.4\r\n")
                                        << int(O::Outdated) << true;
        QTest::newRow("marks differ in case")
            << QByteArray("[version]\r\nVer=v1.3.3\r\n") << CannedServer::ok("[version]\r\nVer=V1.3.3\r\n")
            << int(O::Outdated) << true;
        QTest::newRow("published without the key")
            << ini << CannedServer::ok("[version]\r\n") << int(O::Outdated) << true;
        QTest::newRow("nothing installed, unknown published")
            << QByteArray("<none>") << CannedServer::ok("[version]\r\nVer=未知版\r\n") << int(O::Current) << false;
        QTest::newRow("nothing installed, a release published")
            << QByteArray("<none>") << CannedServer::ok(ini) << int(O::Outdated) << true;
        QTest::newRow("no server") << ini << QByteArray("<no server>") << int(O::Unreachable) << false;
        QTest::newRow("server error") << ini
                                      << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: "
                                                    "close\r\n\r\n")
                                      << int(O::Unreachable) << false;
        QTest::newRow("server that never answers") << ini << QByteArray("stall") << int(O::Unreachable) << false;
    }
    void checkAgainstThePublishedMark()
    {
        QFETCH(QByteArray, installed);
        QFETCH(QByteArray, response);
        QFETCH(int, outcome);
        QFETCH(bool, versionIniLeft);
        if (installed != "<none>")
            writeFile(programFile(QStringLiteral("OldVersion.ini")), installed);
        QUrl url;
        quint16 port = 0;
        std::unique_ptr<CannedServer> server;
        if (response == "<no server>") {
            QTcpServer probe; // a port that was free a moment ago
            probe.listen(QHostAddress::LocalHost);
            port = probe.serverPort();
            url = QUrl(QStringLiteral("http://127.0.0.1:%1/TQVersion.txt").arg(port));
        } else {
            server = std::make_unique<CannedServer>(response);
            url = server->url();
            port = url.port();
        }

        test::ScriptedInteraction ui;
        QElapsedTimer clock;
        clock.start();
        const auto result = UpdateCheck(m_program.path(), url, ui, 400).run();
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(int(result), outcome);
        if (result == UpdateCheck::Outcome::Outdated)
            QCOMPARE(ui.messages, QStringList{kUpdateMessage.arg(port)});
        else
            QCOMPARE(ui.messages, QStringList());
        QCOMPARE(QFile::exists(programFile(QStringLiteral("version.ini"))), versionIniLeft);
        if (server)
            QVERIFY(server->request().startsWith("GET /TQVersion.txt HTTP/1.1\r\n"));
    }

    void staleVersionIniIsOverwritten()
    {
        writeFile(programFile(QStringLiteral("OldVersion.ini")), "[version]\r\nVer=1\r\n");
        writeFile(programFile(QStringLiteral("version.ini")), "[version]\r\nVer=0\r\n");
        CannedServer server(CannedServer::ok("[version]\r\nVer=1\r\n"));
        test::ScriptedInteraction ui;
        QCOMPARE(UpdateCheck(m_program.path(), server.url(), ui).run(), UpdateCheck::Outcome::Current);
        QVERIFY(!QFile::exists(programFile(QStringLiteral("version.ini"))));
    }

    void unreadableMarkSaysNetworkError()
    {
        // a folder where the file should be: there, but not readable as a file
        QVERIFY(QDir(m_program.path()).mkdir(QStringLiteral("OldVersion.ini")));
        CannedServer server(CannedServer::ok("[version]\r\nVer=1\r\n"));
        test::ScriptedInteraction ui;
        QCOMPARE(UpdateCheck(m_program.path(), server.url(), ui).run(), UpdateCheck::Outcome::ReadError);
        QCOMPARE(ui.messages, QStringList{QStringLiteral("网络错误")});
    }

    void startUpEndsOnADifferingMarkBeforeOpeningTheDatabase_data()
    {
        QTest::addColumn<bool>("withAddress");
        QTest::newRow("address set") << true;
        QTest::newRow("no address: no check") << false;
    }
    void startUpEndsOnADifferingMarkBeforeOpeningTheDatabase()
    {
        QFETCH(bool, withAddress);
        test::newSurveyDatabase(m_program);
        writeFile(programFile(QStringLiteral("OldVersion.ini")), "[version]\r\nVer=2009-1.3.3\r\n");
        CannedServer server(CannedServer::ok("[version]\r\nVer=2009-1.3.4\r\n"));
        QTemporaryDir other;
        Settings settings(other.filePath(QStringLiteral("s.ini")));
        if (withAddress)
            settings.writeString(Settings::MainKey, QStringLiteral("UpdateUrl"),
                                 server.url(QStringLiteral("/")).toString());
        Session session;
        test::ScriptedInteraction ui;
        Preferences prefs;
        QCOMPARE(startSession(session, settings, ui, prefs), !withAddress);
        QCOMPARE(session.isOpen(), !withAddress);
        QCOMPARE(ui.messages.size(), withAddress ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
