#include "entry/RecordPrintout.h"

#include "app/AppPaths.h"
#include "common/Error.h"
#include "common/Interaction.h"
#include "db/Database.h"
#include "db/ResultSet.h"

namespace tq::entry {

namespace {

// Closes the progress window however the filling ends.
class ProgressScope {
public:
    explicit ProgressScope(Progress &p) : m_progress(p) {}
    ~ProgressScope()
    {
        if (m_started)
            m_progress.finish();
    }
    void start(int total)
    {
        m_progress.start(total, 0);
        m_started = true;
    }

private:
    Progress &m_progress;
    bool m_started = false;
};

} // namespace

QString RecordPrintout::openFailedMessage()
{
    return QStringLiteral("打开汇总模版文件时发生错误，可能是没有安装MS Office中的Excel");
}

QString RecordPrintout::mainWindowTemplate()
{
    return AppPaths::inProgramDir(QStringLiteral("2009打印表.xltx"));
}

QString RecordPrintout::editorTemplate()
{
    return AppPaths::inProgramDir(QStringLiteral("2008打印表.xltx"));
}

RecordPrintout::RecordPrintout(db::Database &db, Interaction &ui) : m_db(db), m_ui(ui)
{
}

std::unique_ptr<automation::Workbook> RecordPrintout::fill(const QString &templatePath, const QString &code,
                                                           bool activateFirstSheet)
{
    std::unique_ptr<automation::Workbook> book;
    try {
        book = automation::Workbook::open(templatePath);
    } catch (const Error &) {
        m_ui.message(openFailedMessage());
        return nullptr;
    }

    // The code is bound, never pasted; a code that is not a number matches
    // no record and leaves every cell empty.
    bool numeric = false;
    const qint64 c901 = code.trimmed().toLongLong(&numeric);
    const db::ResultSet record = db::ResultSet::run(m_db, QStringLiteral("select * from view_data where c901=?"),
                                                    {numeric ? QVariant(c901) : QVariant(code)});
    const bool found = !record.isEmpty();

    const db::ResultSet sheets = db::ResultSet::run(
        m_db, QStringLiteral("select distinct printPageID from dt_fieldlist where pageid>=0 order by printPageID"));
    ProgressScope progress(m_ui.progress());
    progress.start(sheets.rowCount());

    automation::Worksheet *last = nullptr;
    for (int s = 0; s < sheets.rowCount(); ++s) {
        const int number = int(sheets.intValue(s, 0));
        automation::Worksheet &sheet = book->sheet(number);
        book->setActiveSheet(number);
        // Rows of a negative page are never printed, whatever sheet they name.
        const db::ResultSet fields = db::ResultSet::run(
            m_db,
            QStringLiteral(
                "select FieldName, printplace from dt_fieldlist where printPageID=? and pageid>=0 order by ID"),
            {number});
        for (int f = 0; f < fields.rowCount(); ++f) {
            const QString column = fields.text(f, 0);
            const int at = record.requireColumn(column);
            sheet.setValue(fields.text(f, 1), found ? record.text(0, at) : QString());
            m_ui.processEvents();
        }
        last = &sheet;
        m_ui.progress().advance();
    }
    if (last) {
        for (int c = 1; c <= 4; ++c)
            last->autoFitColumn(c);
    }
    if (activateFirstSheet)
        book->setActiveSheet(1);
    return book;
}

bool RecordPrintout::show(const QString &templatePath, const QString &code, bool activateFirstSheet)
{
    auto book = fill(templatePath, code, activateFirstSheet);
    if (!book)
        return false;
    // The code only names the temporary file; anything but digits is left out.
    bool numeric = false;
    const qint64 c901 = code.trimmed().toLongLong(&numeric);
    book->show(m_ui, numeric ? QStringLiteral("年报-%1").arg(c901) : QStringLiteral("年报"));
    return true;
}

bool RecordPrintout::saveAs(const QString &templatePath, const QString &code, const QString &target)
{
    auto book = fill(templatePath, code, true);
    if (!book)
        return false;
    book->save(target);
    return true;
}

} // namespace tq::entry
