#include "app/DatabaseCommands.h"

#include "app/AppPaths.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/UpdateCheck.h"
#include "common/Error.h"
#include "common/Interaction.h"
#include "db/CodeCheck.h"

#include <QFileInfo>

namespace tq {

DatabaseCommands::DatabaseCommands(Session &session, Interaction &ui) : m_session(session), m_ui(ui)
{
}

DatabaseCommands::Outcome DatabaseCommands::openOther()
{
    const QString file = m_ui.openFileName(QStringLiteral("选择数据库文件"), QStringLiteral("Access文件(*.mdb)"),
                                           AppPaths::documentsDir())
                             .trimmed();
    if (file.isEmpty())
        return Outcome::Unchanged;
    if (!QFileInfo(file).isFile()) {
        m_ui.message(QStringLiteral("您选择的文件并不存在，请选择其它文件。"));
        return Outcome::Unchanged;
    }
    try {
        m_session.openDatabase(file);
    } catch (const db::DbError &e) {
        m_ui.message(e.text());
        return Outcome::Unchanged;
    }
    m_ui.message(QStringLiteral("已经打开您选择的数据库--") + m_session.label());
    warnAboutCodes();
    return Outcome::Opened;
}

DatabaseCommands::Outcome DatabaseCommands::openDefault()
{
    try {
        m_session.openDatabase();
    } catch (const MissingDatabaseError &e) {
        m_ui.message(e.text());
        return Outcome::EndProgram;
    } catch (const db::DbError &e) {
        m_ui.message(e.text());
        return Outcome::Unchanged;
    }
    m_ui.message(QStringLiteral("已经打开软件默认数据库--") + m_session.label());
    warnAboutCodes();
    return Outcome::Opened;
}

void DatabaseCommands::warnAboutCodes()
{
    // The file opens all the same: the user can look at the records and mend
    // the codes; only commands that go by code may miss them.
    if (m_session.notWholeCodes() > 0)
        m_ui.message(db::CodeCheck::warning(m_session.path(), m_session.notWholeCodes()));
}

bool DatabaseCommands::editLabel()
{
    const std::optional<QString> answer =
        m_ui.inputText(QStringLiteral("设置数据库标识"), QStringLiteral("请输入数据库的标识，长度不要超过200个汉字"),
                       m_session.label());
    if (!answer || answer->isEmpty())
        return false;
    try {
        m_session.setLabel(*answer);
    } catch (const db::DatabaseBusyError &e) {
        m_ui.message(e.text()); // another copy of the program has the file
        return false;
    } catch (const db::DbError &e) {
        m_ui.message(generalErrorMessage(e.text()));
        return false;
    }
    return true;
}

void DatabaseCommands::markAllPassed()
{
    m_session.db().exec(QStringLiteral("update dt_data set RecordState=1"));
}

bool startSession(Session &session, Settings &settings, Interaction &ui, Preferences &prefs)
{
    // A program older than the published release must not run; the check
    // comes before anything is opened.
    if (!runUpdateCheck(settings, ui))
        return false;
    prefs = initialiseSettings(settings, AppPaths::programDir());
    try {
        session.openDatabase();
    } catch (const MissingDatabaseError &e) {
        ui.message(e.text());
        return false;
    } catch (const db::DbError &) {
        ui.message(QStringLiteral("软件安装不正确，请与软件提供者联系！"));
        return false;
    }
    if (session.notWholeCodes() > 0)
        ui.message(db::CodeCheck::warning(session.path(), session.notWholeCodes()));
    return true;
}

} // namespace tq
