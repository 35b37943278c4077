#pragma once

#include <QWidget>
#include <functional>

class QLabel;

namespace tq::db {
class FieldCatalogue;
}
namespace tq::entry {
struct LayoutPage;
}

namespace tq::gui {

// The sheet of one table page, laid out like the paper table: the page's
// heading, then each group's title and its rows of boxes. Every box has its
// label (the field's hint) right beside it and the field's code (z001, ...)
// between them in a quiet style, as the notes and the error list name the
// boxes by code. All groups of a page share one grid, so the boxes of a
// column line up from the first group to the last.
class TableSheet : public QWidget {
    Q_OBJECT
public:
    // Makes the box of a field, parented to the sheet.
    using BoxFactory = std::function<QWidget *(const QString &name, QWidget *sheet)>;

    TableSheet(const entry::LayoutPage &page, const db::FieldCatalogue &catalogue, const BoxFactory &makeBox,
               QWidget *parent = nullptr);

    // A bold, centred heading, `larger` points above the window's font.
    static QLabel *heading(const QString &text, int larger, QWidget *parent);
};

} // namespace tq::gui
