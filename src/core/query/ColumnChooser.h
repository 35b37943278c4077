#pragma once

#include <QList>
#include <QString>

#include <vector>

namespace tq::db {
class Database;
}

namespace tq::query {

// One catalogue field as the column chooser offers it.
struct ChooserField {
    int id = 0;
    int pageId = 0;
    QString sheetName; // caption of the field's page
    QString fieldName;
    QString hint;
    int sequence = 0;
    bool visible = false;
};

// Which catalogue fields the record list shows.
class ColumnChooser {
public:
    // The survey's fields (PageID >= 0) by page and order.
    static std::vector<ChooserField> load(db::Database &db);
    // Every field hidden, then the given ones shown; one transaction, so a
    // failure leaves the catalogue as it was.
    static void save(db::Database &db, const QList<int> &visibleIds);

    static QString savedMessage() { return QStringLiteral("保存成功"); }
};

} // namespace tq::query
