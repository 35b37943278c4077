#pragma once

class QApplication;
class QCoreApplication;

namespace tq::gui {

// Loads Qt's Chinese translations for its own dialogs and menus.
void installChineseTranslations(QCoreApplication &app);

// Runs the desktop program: start-up steps, main window, event loop.
int runApplication(QApplication &app);

} // namespace tq::gui
