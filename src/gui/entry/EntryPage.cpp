#include "entry/EntryPage.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLayout>
#include <QScrollBar>

namespace tq::gui {

namespace {
// Space kept between a revealed box and the edge of what can be seen.
constexpr int kMargin = 6;
// Less of the page than this left above a covering window is not worth
// scrolling into.
constexpr int kMinUncovered = 80;
} // namespace

EntryPage::EntryPage(QWidget *sheet, QWidget *parent) : QScrollArea(parent)
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Always there, so that the boxes stay where they are from page to page.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::NoFocus);
    setWidget(sheet);
    if (QLayout *l = sheet->layout())
        m_baseBottom = l->contentsMargins().bottom();
}

QRect EntryPage::viewportOnScreen() const
{
    return QRect(viewport()->mapToGlobal(QPoint(0, 0)), viewport()->size());
}

QRect EntryPage::hiddenPart() const
{
    const QRect view = viewportOnScreen();
    if (!m_covering || !m_covering->isVisible())
        return {};
    const QRect hidden = m_covering->frameGeometry().intersected(view);
    // Only a window over the lower part of the page leaves enough above it.
    if (hidden.isEmpty() || hidden.top() - view.top() < kMinUncovered)
        return {};
    return hidden;
}

void EntryPage::updateReserve()
{
    const QRect hidden = hiddenPart();
    const int reserve = hidden.isEmpty() ? 0 : viewportOnScreen().bottom() - hidden.top() + 1;
    QLayout *l = widget() ? widget()->layout() : nullptr;
    if (!l || reserve == m_reserve)
        return;
    m_reserve = reserve;
    QMargins m = l->contentsMargins();
    m.setBottom(m_baseBottom + reserve);
    l->setContentsMargins(m);
}

void EntryPage::showEvent(QShowEvent *event)
{
    QScrollArea::showEvent(event);
    updateReserve();
}

void EntryPage::reveal(const QWidget *box)
{
    QWidget *sheet = widget();
    if (!box || !sheet || !sheet->isAncestorOf(box))
        return;
    updateReserve();
    // A page just shown, or one whose reserve just changed, may not be laid
    // out yet; the scroll range must be right before it is used.
    QCoreApplication::sendPostedEvents(sheet, QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents(viewport(), QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents(this, QEvent::LayoutRequest);

    int visible = viewport()->height();
    const QRect hidden = hiddenPart();
    const QRect boxOnScreen(box->mapToGlobal(QPoint(0, 0)), box->size());
    if (!hidden.isEmpty() && boxOnScreen.left() <= hidden.right() && boxOnScreen.right() >= hidden.left())
        visible = hidden.top() - viewportOnScreen().top();

    const QRect r(box->mapTo(sheet, QPoint(0, 0)), box->size());
    QScrollBar *bar = verticalScrollBar();
    int value = bar->value();
    if (r.top() - kMargin < value)
        value = r.top() - kMargin;
    else if (r.bottom() + kMargin >= value + visible)
        value = r.bottom() + kMargin - visible + 1;
    bar->setValue(value);
}

} // namespace tq::gui
