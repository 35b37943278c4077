#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tq::entry {

// A titled group of boxes on a table page; each row lists its boxes (field
// names) from left to right.
struct LayoutGroup {
    QString title;
    QList<QStringList> rows;
};

// One table page of the record editor, numbered as the page rules and the
// notes files number it (1..).
struct LayoutPage {
    int index = 0;
    QString caption; // the tab
    QString title;   // the heading on the page
    QString note;    // a second heading line, or empty
    QList<LayoutGroup> groups;

    // The page's boxes in the order the keyboard walks them.
    QStringList fieldNames() const;
};

// The table pages of the record editor, read from the layout text
// (pages.txt):
//   page N CAPTION | TITLE
//   note TEXT
//   group TITLE
//   NAME NAME ...        one row of the group
// Pages are numbered 1, 2, ... in the order they come; a box appears once.
class PageLayout {
public:
    // Raises Error naming the line that cannot be read.
    static PageLayout parse(const QString &text);
    // The layout built into the program; raises Error when it cannot be read.
    static PageLayout standard();

    const QList<LayoutPage> &pages() const { return m_pages; }

private:
    QList<LayoutPage> m_pages;
};

} // namespace tq::entry
