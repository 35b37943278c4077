#pragma once

#include "app/VersionInfo.h"

#include <QDialog>
#include <QTimer>
#include <functional>

class QProgressBar;
class QLabel;

namespace tq::gui {

// The about box, which also serves as the start-up splash: borderless, a
// painted background, closed by a click. As a splash its bar fills in about
// two seconds and then closes it.
class TdlgAboutForm : public QDialog {
    Q_OBJECT
public:
    TdlgAboutForm(const VersionInfo &version, bool asSplash, QWidget *parent = nullptr);

    // Called by Ctrl+Alt+double-click on the product name (Shift not held).
    void setOverrideHandler(std::function<void()> handler) { m_override = std::move(handler); }

    QLabel *productLabel() const { return m_product; }
    QProgressBar *progressBar() const { return m_bar; }
    // What a double-click on the product name with these modifiers does.
    void productDoubleClicked(Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void tick();

    QLabel *m_product = nullptr;
    QProgressBar *m_bar = nullptr;
    QTimer m_timer;
    std::function<void()> m_override;
};

} // namespace tq::gui
