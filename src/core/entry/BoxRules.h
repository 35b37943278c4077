#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace tq::db {
struct CatalogueField;
}

namespace tq::entry {

// What a number box of the record editor accepts.
struct BoxLimits {
    qint64 minimum = 0;
    qint64 maximum = 99999999;
    int digits = 0; // digits that may be typed; 0: as many as the maximum allows
    bool decimals = false;

    bool operator==(const BoxLimits &) const = default;
};

// A question whose answer 1 opens a run of boxes (FIRST..LAST, named alike);
// any other answer closes them, and a closed box holds 0.
struct Gate {
    QString question;
    QString first;
    QString last;

    bool covers(const QString &name) const;
};

// The limits of the editor's boxes and its gate questions, read from the
// rules beside the page layout (boxes.txt).
class BoxRules {
public:
    // Raises Error naming the line that cannot be read.
    static BoxRules parse(const QString &text);
    // The rules built into the program; raises Error when they cannot be read.
    static const BoxRules &standard();

    // The limits of box `name` bound to `field` (null: the catalogue has no row for it).
    BoxLimits limits(const QString &name, const db::CatalogueField *field) const;
    const QList<Gate> &gates() const { return m_gates; }
    bool isGate(const QString &name) const;

private:
    QHash<QString, BoxLimits> m_kinds; // "number", "yesno"
    QHash<QString, BoxLimits> m_boxes; // whatever the catalogue says
    QHash<QString, BoxLimits> m_spare; // while the catalogue does not bind them
    BoxLimits m_spareDefault;
    QHash<QString, bool> m_decimals;
    QList<Gate> m_gates;
};

} // namespace tq::entry
