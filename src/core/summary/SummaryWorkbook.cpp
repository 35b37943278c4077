#include "summary/SummaryWorkbook.h"

#include "app/AppPaths.h"
#include "common/Error.h"
#include "common/Interaction.h"
#include "db/Database.h"

#include <algorithm>

namespace tq::summary {

namespace {

constexpr int kDataRow = 9;

// Closes the two-line window however the run ends.
class TwoLineScope {
public:
    explicit TwoLineScope(TwoLineProgress &p) : m_p(p) { m_p.show(); }
    ~TwoLineScope() { m_p.finish(); }
    TwoLineScope(const TwoLineScope &) = delete;
    TwoLineScope &operator=(const TwoLineScope &) = delete;

private:
    TwoLineProgress &m_p;
};

} // namespace

QString SummaryWorkbook::defaultTemplate()
{
    return AppPaths::inProgramDir(QStringLiteral("2009基层以上汇总表.xltx"));
}

QString SummaryWorkbook::openFailedMessage()
{
    return QStringLiteral("打开汇总模版文件时发生错误，可能是没有安装MS Office中的Excel");
}

QString SummaryWorkbook::caption(SummaryMode mode)
{
    return mode == SummaryMode::ByGroup ? QStringLiteral("分    组") : QStringLiteral("工会层次");
}

SummaryWorkbook::SummaryWorkbook(db::Database &db, Interaction &ui, QString templatePath)
    : m_db(db), m_ui(ui), m_templatePath(std::move(templatePath))
{
    InitSummaryDefinitions();
}

SummaryWorkbook::~SummaryWorkbook() = default;

bool SummaryWorkbook::openTemplate()
{
    if (m_book)
        return true;
    try {
        m_book = automation::Workbook::open(m_templatePath);
    } catch (const Error &) {
        m_ui.message(openFailedMessage());
        return false;
    }
    return true;
}

void SummaryWorkbook::computeFigures(const std::vector<int> &sheets, SummaryMode mode, qint64 groupId)
{
    std::vector<int> tableSheets;
    for (int n : sheets)
        if (SummaryDefinitions::isTableSheet(n))
            tableSheets.push_back(n);
    SummaryFigures figures(m_db, m_ui);
    if (mode == SummaryMode::ByGroup)
        m_tables = figures.byItems(tableSheets, readGroupItems(m_db, groupId));
    else
        m_tables = figures.byLevel(tableSheets);
    m_tablesFor = std::make_pair(mode, groupId);
}

const SummaryTable &SummaryWorkbook::figures(int sheet, SummaryMode mode, qint64 groupId)
{
    const auto key = std::make_pair(mode, groupId);
    if (m_tablesFor != key || !m_tables.count(sheet)) {
        // A sheet filled on its own: compute just that one.
        SummaryFigures figures(m_db, m_ui);
        SummaryTables one = mode == SummaryMode::ByGroup ? figures.byItems({sheet}, readGroupItems(m_db, groupId))
                                                         : figures.byLevel({sheet});
        if (m_tablesFor != key)
            m_tables.clear();
        m_tablesFor = key;
        m_tables[sheet] = std::move(one[sheet]);
    }
    return m_tables.at(sheet);
}

void SummaryWorkbook::writeSheet(automation::Worksheet &sheet, SummaryMode mode, const SummaryTable &rows)
{
    // The breakdown caption goes under a title that a sheet carries in row 2.
    const int captionRow = sheet.text(2, 1).isEmpty() ? 2 : 3;
    sheet.setText(captionRow, 1, caption(mode));

    TwoLineProgress &bar = m_ui.twoLineProgress();
    const int columns = rows.empty() ? 0 : int(rows.front().values.size()) + 2;
    bar.initSecond(int(rows.size()) * columns);
    bool first = true;
    for (const SummaryRow &row : rows) {
        // Every later row goes in above the earlier ones, so that the first
        // row read ends at the bottom.
        if (!first)
            sheet.insertRow(kDataRow);
        first = false;
        sheet.setText(kDataRow, 1, row.name);
        bar.incSecond();
        bar.incSecond(); // the level code or item number is not written
        for (std::size_t k = 0; k < row.values.size(); ++k) {
            const QVariant &v = row.values[k];
            const int column = int(k) + 2;
            switch (v.typeId()) {
            case QMetaType::LongLong:
            case QMetaType::Int:
            case QMetaType::Double:
                // Numbers, so that the total row adds them up.
                sheet.setNumber(kDataRow, column, v.toDouble());
                break;
            default:
                sheet.setValue(kDataRow, column, v.isValid() ? v.toString() : QString());
            }
            bar.incSecond();
            m_ui.processEvents();
        }
    }
    if (!rows.empty()) {
        sheet.autoFitColumn(1);
        sheet.setHorizontalAlignment(QStringLiteral("A9:A") + QString::number(int(rows.size()) + 8),
                                     automation::HorizontalAlignment::Left);
    }
}

bool SummaryWorkbook::FillSummarySheet(int sheet, SummaryMode mode, qint64 groupId)
{
    if (!SummaryDefinitions::isTableSheet(sheet))
        return true;
    if (!openTemplate())
        return false;
    const SummaryTable &rows = figures(sheet, mode, groupId);
    automation::Worksheet &target = m_book->sheet(sheet);
    m_book->setActiveSheet(sheet);
    writeSheet(target, mode, rows);
    return true;
}

bool SummaryWorkbook::build(const SheetList &list, SummaryMode mode, qint64 groupId)
{
    InitSummaryDefinitions();
    const std::vector<int> ticked = list.tickedSheets(SummaryDefinitions::SheetCount);
    if (ticked.empty())
        return false;
    m_book.reset();
    m_tables.clear();
    m_tablesFor.reset();
    if (!openTemplate())
        return false;
    if (mode == SummaryMode::ByLevel)
        groupId = 0;
    try {
        TwoLineProgress &bar = m_ui.twoLineProgress();
        {
            TwoLineScope scope(bar);
            bar.initFirst(int(ticked.size()));
            computeFigures(ticked, mode, groupId);
            for (int n : ticked) {
                FillSummarySheet(n, mode, groupId);
                bar.incFirst();
                m_ui.processEvents();
            }
        }
        // Sheets nobody asked for go, from the last one up, so that the
        // numbers of the ones still to go stay put.
        for (int n = std::min(SummaryDefinitions::SheetCount, m_book->sheetCount()); n >= 1; --n)
            if (!std::binary_search(ticked.begin(), ticked.end(), n))
                m_book->deleteSheet(n);
        m_book->setActiveSheet(1);
    } catch (...) {
        m_book.reset();
        throw;
    }
    return true;
}

void SummaryWorkbook::ReleaseSummaryWorkbook()
{
    std::unique_ptr<automation::Workbook> book = std::move(m_book);
    m_tables.clear();
    m_tablesFor.reset();
    if (book)
        book->show(m_ui, QStringLiteral("汇总表"));
}

void SummaryWorkbook::RunSummary(const SheetList &list, SummaryMode mode, qint64 groupId)
{
    if (build(list, mode, groupId))
        ReleaseSummaryWorkbook();
}

bool SummaryWorkbook::saveAs(const SheetList &list, SummaryMode mode, qint64 groupId, const QString &target)
{
    if (!build(list, mode, groupId))
        return false;
    std::unique_ptr<automation::Workbook> book = std::move(m_book);
    m_tables.clear();
    m_tablesFor.reset();
    book->save(target);
    return true;
}

} // namespace tq::summary
