#pragma once

#include <QRect>
#include <QScrollArea>

namespace tq::gui {

// One page of the record editor: its boxes on a sheet that scrolls up and
// down (never sideways) when the window is lower than the page.
class EntryPage : public QScrollArea {
    Q_OBJECT
public:
    // Takes `sheet`, whose layout holds the page's labels and boxes.
    explicit EntryPage(QWidget *sheet, QWidget *parent = nullptr);

    // Scrolls so that `box` is in view, above the covering window when that
    // hides the lower part of the page.
    void reveal(const QWidget *box);
    // A window (the error list) that, while it is shown, may cover the lower
    // part of the page. Boxes are then brought above it, and room is made
    // below the last row so that the last boxes, too, can be scrolled clear
    // of it.
    void setCoveringWindow(const QWidget *window) { m_covering = window; }
    // Makes or drops that room as the covering window now stands.
    void updateReserve();
    // The room made below the last row.
    int reserve() const { return m_reserve; }
    // The visible part of the page, in screen coordinates.
    QRect viewportOnScreen() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The part of the viewport hidden under the covering window, when the
    // page can be shown above it; else empty. Read when needed, since the
    // window manager tells the window's frame only some time after it opens.
    QRect hiddenPart() const;

    const QWidget *m_covering = nullptr;
    int m_baseBottom = 0;
    int m_reserve = 0;
};

} // namespace tq::gui
