#pragma once

#include "entry/BoxRules.h"
#include "entry/SurveyRecordStore.h"
#include "logic/PageRules.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace tq::db {
class FieldCatalogue;
enum class FieldKind;
} // namespace tq::db

namespace tq::entry {

// The values of the survey record being edited, box by box (a box is named
// after its dt_data column), and which boxes are open for the record. A box
// is open when the record's level takes it (the catalogue's level rule) and
// the gate question in front of it, if any, is answered 1; a closed number
// box holds 0, a text box its level does not take is empty.
class RecordValues : public logic::BoxValues {
public:
    // The editor's boxes: number boxes, text boxes, and boxes that show a
    // name but hold no column (the region and level names). Names are
    // compared without regard to case.
    void setBoxes(const QStringList &numbers, const QStringList &texts, const QStringList &others = {});
    // Ties the boxes to the catalogue rows of their names (a number box to a
    // row of a numeric kind, a text box to a text row) and takes their limits
    // and level rules from there; again whenever the catalogue may have changed.
    void bind(const db::FieldCatalogue &catalogue, const BoxRules &rules);

    bool hasNumber(const QString &name) const;
    bool hasText(const QString &name) const;
    // 0 or "" for a box there is not.
    qint64 number(const QString &name) const;
    QString text(const QString &name) const;
    // true when the value changed.
    bool setNumber(const QString &name, qint64 value);
    bool setText(const QString &name, const QString &text);
    bool isOpen(const QString &name) const;
    BoxLimits limits(const QString &name) const;

    // A new record: the bound boxes hold 0 or nothing, except the cover's own
    // numbers, which the caller fills in.
    void clearBound();
    // The bound boxes from a stored row (column names in lower case); a
    // missing or NULL column reads 0 or "".
    void loadRow(const QHash<QString, QVariant> &row);
    // The bound boxes as columns, in catalogue order: numbers as they are,
    // texts trimmed.
    SurveyRecordStore::Values columns() const;

    // Decides again which boxes are open, for the level in c904 (10 without
    // that box) and the answers to the gate questions; true when a box
    // opened, closed or lost its value.
    bool applyRules();

    // logic::BoxValues
    Kind boxKind(const QString &name) const override;
    qint64 boxValue(const QString &name) const override { return number(name); }

private:
    struct Box {
        QString name;
        bool text = false;
        qint64 number = 0;
        QString str;
        bool open = true;
        bool hasRule = false; // the catalogue gives a level rule for this kind of box
        QString rule;
        BoxLimits limits;
        std::vector<int> gates; // number boxes whose answer 1 opens this one
    };
    Box *find(const QString &name);
    const Box *find(const QString &name) const;

    std::vector<Box> m_boxes;
    QHash<QString, int> m_index; // lower-case name -> box
    QSet<QString> m_others;
    struct Column {
        QString name; // as the catalogue spells it
        int box;
    };
    std::vector<Column> m_columns; // bound boxes in catalogue order, a catalogue row each
    std::vector<int> m_cleared;    // bound boxes a new record empties
};

} // namespace tq::entry
