#pragma once

#include "app/RecordList.h"
#include "summary/SheetList.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <vector>

namespace tq {
struct CodeRange;
}
namespace tq::db {
class Database;
class FieldCatalogue;
} // namespace tq::db

namespace tq::exchange {

// One item of a custom grouping: a code range with its own comparison signs.
struct GroupRange {
    qint64 id = 0;
    QString title;
    qint64 lowBoundary = 0;
    qint64 highBoundary = 0;
    QString lowSymbol = QStringLiteral(">=");
    QString highSymbol = QStringLiteral("<");

    // The items of every grouping, in table order.
    static std::vector<GroupRange> loadAll(db::Database &db);
};

// Which records a list holds: conditions on dt_data, joined by " and ".
struct ListContent {
    QStringList conditions;
    QVariantList params;

    // c901 from low to high, both included.
    void addRange(const CodeRange &range);
    // The item's two comparisons; raises tq::Error for a sign that is not
    // one of ">", ">=" (lower) or "<", "<=" (upper).
    void addGroup(const GroupRange &item);
    // `field` compared with `number`; `op` must be one of = > < >= <= and
    // `field` one of `columns` (else tq::Error).
    void addComparison(const QString &field, const QString &op, qint64 number, const QStringList &columns);
};

// The statement of a data list: the cover columns and the state, then the
// survey fields of the chosen tables, from dt_data in code order.
class ListExportQuery {
public:
    // The survey's twelve tables as the list dialog offers them, and the
    // letter their fields begin with.
    static summary::SheetList builtInTables();
    static const QStringList &tableLetters();
    static QStringList fixedColumns();

    // Survey fields (catalogue sequence 7 to 999) of the given tables
    // (0-based entries of the table list), in catalogue order; only names
    // that are columns of dt_data (`dataColumns`) are taken, each once.
    static QStringList fieldsOf(const db::FieldCatalogue &catalogue, const QStringList &dataColumns,
                                const QList<int> &tables);
    static ListQuery build(const QStringList &fields, const ListContent &content = {});

    // label + "数据列表"
    static QString titleFor(const QString &label) { return label + QStringLiteral("数据列表"); }
    static QString noRangeMessage() { return QStringLiteral("请输入单位编号的范围"); }
};

} // namespace tq::exchange
