#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace tq::summary {

// One line of a check list: a group header ("//..." text, not selectable) or
// a selectable entry with its tick.
struct SheetListEntry {
    enum State { Unticked = 0, Ticked = 1, Greyed = 2 };
    QString text;
    bool selectable = true;
    int state = Unticked;
    bool ticked() const { return selectable && state == Ticked; }
    bool operator==(const SheetListEntry &) const = default;
};

// The summary dialog's list of workbook sheets, kept between runs in a list
// file beside the program. The list-export dialog keeps its own list in the
// same line form.
class SheetList {
public:
    static QString fileName() { return QStringLiteral("sumtable.tq"); }
    // The list used until a list file has been read: the cover, the 24 table
    // sheets under their table headers, and the two supplementary sheets.
    static SheetList builtIn();

    // One line per entry, GBK, CR LF: "&" + selectable flag + " " + state +
    // " " + text. A line in another form is a selectable, unticked entry.
    // A missing or unreadable file raises FileError naming it.
    static SheetList read(const QString &path);
    static SheetList parse(const QByteArray &bytes);
    QByteArray toBytes() const;
    // Written under a temporary name and put in place when complete; raises
    // FileError naming the file when it cannot be written.
    void write(const QString &path) const;

    std::vector<SheetListEntry> &entries() { return m_entries; }
    const std::vector<SheetListEntry> &entries() const { return m_entries; }
    int size() const { return int(m_entries.size()); }

    void tickAll(bool ticked);
    // Ticks every entry from the header at `index` down to the next header.
    void tickGroup(int index);
    int tickedCount() const;

    // The workbook sheet an entry stands for: the selectable entries from the
    // top are sheets 1, 2, ... up to `sheetCount`; headers and the entries
    // after the last sheet stand for none (0).
    int sheetOf(int index, int sheetCount) const;
    // The sheets of the ticked entries, ascending.
    std::vector<int> tickedSheets(int sheetCount) const;

private:
    std::vector<SheetListEntry> m_entries;
};

} // namespace tq::summary
