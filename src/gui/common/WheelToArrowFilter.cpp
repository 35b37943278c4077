#include "common/WheelToArrowFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QWidget>

namespace tq::gui {

bool WheelToArrowFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Wheel)
        return QObject::eventFilter(watched, event);
    auto *wheel = static_cast<QWheelEvent *>(event);
    const int dy = wheel->angleDelta().y();
    QWidget *target = QApplication::focusWidget();
    if (dy == 0 || !target)
        return QObject::eventFilter(watched, event);
    // Popups (menus, drop-down lists) keep their own wheel handling.
    if (QApplication::activePopupWidget())
        return QObject::eventFilter(watched, event);
    const int key = dy > 0 ? Qt::Key_Up : Qt::Key_Down;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
    return true;
}

} // namespace tq::gui
