#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <vector>

namespace tq::summary {

// What one item of a select-list adds up.
enum class ItemKind {
    Count,   // count(*): the records that pass the filter
    Amount,  // sum(field)
    YesNo,   // 1 = 是, 2 = 否, 0 = not answered (counted with 否): two columns _1, _2
    FourWay, // 1 to 4: four columns _1 to _4
};

// Which records a sheet takes.
enum class SheetFilter {
    CodePositive,     // c901>0
    LevelNotNegative, // c904>=0
    LevelPositive,    // c904>0
};

struct SummaryItem {
    ItemKind kind;
    QString field; // empty for Count
    int columns() const;
};

// One table sheet of the summary workbook: its items and filter, and the
// select-list built from them.
struct SummarySheet {
    int number = 0;
    QString title;
    SheetFilter filter = SheetFilter::CodePositive;
    std::vector<SummaryItem> items;
    QString selectList; // items + " from dt_data where " + filter
    int valueColumns() const;
};

// A row of view_group_item: one code range of a grouping.
struct GroupItem {
    qint64 id = 0;
    qint64 groupId = 0;
    QString title;
    QVariant lowBoundary;  // null when the row has none
    QVariant highBoundary; // null when the row has none
    QString lowSymbol;     // ">" or ">="
    QString highSymbol;    // "<" or "<="
};

// A statement with its values bound, never pasted.
struct BoundStatement {
    QString sql;
    QVariantList params;
};

// The per-sheet select-lists of the 24 table sheets and the two statement
// shapes built from them. Sheet 1 is the cover and has no query.
class SummaryDefinitions {
public:
    static constexpr int FirstSheet = 2;
    static constexpr int LastSheet = 25;
    static constexpr int SheetCount = 25; // the cover and the 24 table sheets

    static bool isTableSheet(int n) { return n >= FirstSheet && n <= LastSheet; }
    // Raises tq::Error for a number outside 2 to 25.
    const SummarySheet &sheet(int n) const;
    const std::vector<SummarySheet> &sheets() const { return m_sheets; }

    QString SummarySelectList(int n) const { return sheet(n).selectList; }
    // One row per CT_LevelCode row, by sequence descending: name, c904, values.
    QString levelStatement(int n) const;
    // The items of one grouping (all groupings for 0), by lower boundary descending.
    static QString groupItemQuery(qint64 groupId);
    // The one-row statement of the i-th item (from 1): title, i, values. The
    // title and the boundaries are bound; the symbols come from a fixed list
    // and anything else raises tq::Error.
    BoundStatement itemStatement(int n, const GroupItem &item, int i) const;

    // Every field the 24 sheets read, each once, in sheet order.
    QStringList fields() const;

    static QString filterText(SheetFilter filter);
    // The SQL items of one select-list item, in column order.
    static QStringList itemTexts(const SummaryItem &item);
    // The comparison a stored symbol stands for; empty when it is none of
    // >, >=, <, <=, =.
    static QString checkedSymbol(const QString &symbol);

private:
    friend const SummaryDefinitions &InitSummaryDefinitions();
    SummaryDefinitions();
    std::vector<SummarySheet> m_sheets; // sheets 2 to 25
};

// The definitions, built on the first call and shared afterwards.
const SummaryDefinitions &InitSummaryDefinitions();

} // namespace tq::summary
