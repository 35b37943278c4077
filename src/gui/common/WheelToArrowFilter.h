#pragma once

#include <QObject>

namespace tq::gui {

// Turns every turn of the mouse wheel into an Up (away from the user) or Down
// (towards the user) key press for the widget that has the focus, the way the
// program's users step through lists and boxes.
class WheelToArrowFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace tq::gui
