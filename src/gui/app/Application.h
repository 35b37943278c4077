#pragma once

class QApplication;

namespace tq::gui {

// Runs the desktop program: start-up steps, main window, event loop.
int runApplication(QApplication &app);

} // namespace tq::gui
