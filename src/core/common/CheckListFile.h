#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace tq {

// One entry of a check list kept in a file beside the program ("sumtable.tq",
// "exporttable.tq").
struct CheckListEntry {
    enum State { Unticked = 0, Ticked = 1, Greyed = 2 };
    QString text;
    bool selectable = true;
    int state = Unticked;
    bool operator==(const CheckListEntry &) const = default;
};

// The file form of a check list: one GBK line per entry, ended by CR LF:
// "&", the selectable flag (1 or 0), a space, the state, a space, the text.
// A line without the leading "&" is a selectable, unticked entry of that text.
class CheckListFile {
public:
    // Raises FileError (naming the file) when it is missing or unreadable.
    static QList<CheckListEntry> read(const QString &path);
    static QList<CheckListEntry> parse(const QByteArray &bytes);
    static QByteArray format(const QList<CheckListEntry> &entries);
};

} // namespace tq
