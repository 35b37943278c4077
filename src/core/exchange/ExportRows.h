#pragma once

#include "app/RecordList.h"
#include "db/Database.h"

#include <QString>
#include <QStringList>

namespace tq::exchange {

// The kind of a query column, by the type its table declares. It decides how
// a list export shows the column's values and which type the column gets in
// an exported table.
enum class FieldType { Other, Text, Integer, Float, DateTime, Boolean };
FieldType fieldTypeOf(const QString &declaredType);

// The rows a list export writes, read once from first to last.
class ExportRows {
public:
    enum class Kind { Null, Integer, Real, Text };

    virtual ~ExportRows() = default;
    virtual int columnCount() const = 0;
    virtual QString columnName(int column) const = 0;
    // The type the column was declared with; empty for an expression.
    virtual QString declaredType(int column) const = 0;
    FieldType fieldType(int column) const { return fieldTypeOf(declaredType(column)); }
    // Column names are compared without regard to case; -1 when unknown.
    int columnIndex(const QString &name) const;

    virtual int rowCount() const = 0;
    // To the first row, then to each next one; false past the last.
    virtual bool next() = 0;
    // Cells of the row stepped to.
    virtual Kind kind(int column) const = 0;
    virtual qint64 integer(int column) const = 0;
    virtual double real(int column) const = 0;
    virtual QString text(int column) const = 0;
};

// Names and declared types of a statement's columns, without running it.
struct ColumnShape {
    QStringList names;
    QStringList types;
};
ColumnShape columnShape(db::Database &db, const QString &sql);

// The rows of a statement, read as the statement returns them: a list of a
// national database never has to fit in memory.
class StatementRows : public ExportRows {
public:
    StatementRows(db::Database &db, const ListQuery &query);

    int columnCount() const override { return int(m_shape.names.size()); }
    QString columnName(int column) const override { return m_shape.names.value(column); }
    QString declaredType(int column) const override { return m_shape.types.value(column); }
    int rowCount() const override { return m_rows; }
    bool next() override;
    Kind kind(int column) const override;
    qint64 integer(int column) const override { return m_statement.intValue(column); }
    double real(int column) const override { return m_statement.realValue(column); }
    QString text(int column) const override { return m_statement.textValue(column); }

    // The number of rows `query` gives.
    static int countRows(db::Database &db, const ListQuery &query);

private:
    db::Statement m_statement;
    ColumnShape m_shape;
    int m_rows = 0;
};

// The rows of an open record list, in the order the list shows them.
class RecordListRows : public ExportRows {
public:
    RecordListRows(db::Database &db, const RecordList &list);

    int columnCount() const override { return int(m_shape.names.size()); }
    QString columnName(int column) const override { return m_shape.names.value(column); }
    QString declaredType(int column) const override { return m_shape.types.value(column); }
    int rowCount() const override { return m_list.rowCount(); }
    bool next() override { return ++m_row < m_list.rowCount(); }
    Kind kind(int column) const override;
    qint64 integer(int column) const override;
    double real(int column) const override;
    QString text(int column) const override;

private:
    QVariant cell(int column) const;

    const RecordList &m_list;
    ColumnShape m_shape;
    std::vector<int> m_listColumn; // shape column -> list column
    int m_row = -1;
};

} // namespace tq::exchange
