#pragma once

#include <QHash>
#include <QString>
#include <vector>

namespace tq::db {

class Database;

// How the record editor binds a catalogue row, decided by its QueryType (and,
// for the cover's numbers, by its place among the first rows).
enum class FieldKind {
    Number,      // QueryType 0: an amount or a count
    Text,        // QueryType 1
    YesNo,       // QueryType 3: a one-digit answer
    CoverNumber, // QueryType 0 among the cover's rows (ID 1..7): keeps the limits of its own box
    Unbound,     // any other QueryType: listed, never bound to a box
};

// Whether boxes of this kind hold a whole number.
inline bool isNumeric(FieldKind kind)
{
    return kind == FieldKind::Number || kind == FieldKind::YesNo || kind == FieldKind::CoverNumber;
}

// One row of the field catalogue dt_fieldlist.
struct CatalogueField {
    int id = 0;
    QString fieldName;
    QString showName;
    QString hint;
    int fieldWidth = 80;
    QString fieldType;
    bool visible = false;
    bool queryShow = false;
    int queryType = 0;
    int pageId = -1;
    int sequence = 0;
    int printPageId = 0;
    QString printPlace;
    QString rule;
    FieldKind kind = FieldKind::Unbound;

    static FieldKind kindOf(int queryType, int id);
};

// The open copy of the field catalogue, in `sequence` order: it drives the
// record list's columns, the editor's binding and the print-outs.
class FieldCatalogue {
public:
    static FieldCatalogue load(Database &db);

    const std::vector<CatalogueField> &fields() const { return m_fields; }
    int size() const { return int(m_fields.size()); }
    bool isEmpty() const { return m_fields.empty(); }
    // Compared without regard to case; nullptr when there is no such row.
    const CatalogueField *byFieldName(const QString &name) const;

private:
    std::vector<CatalogueField> m_fields;
    QHash<QString, int> m_byName; // lower-case FieldName -> first row
};

} // namespace tq::db
