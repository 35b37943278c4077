#include "app/Application.h"

#include "app/DatabaseCommands.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/TMainForm.h"
#include "common/GuiInteraction.h"
#include "common/WheelToArrowFilter.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

namespace tq::gui {

int runApplication(QApplication &app)
{
    app.setApplicationName(QStringLiteral("Tallowmere"));
    app.setOrganizationName(QStringLiteral("Corvenlo"));
    WheelToArrowFilter wheel;
    app.installEventFilter(&wheel);
    GuiInteraction ui;
    Settings settings;
    Session session;
    Preferences prefs;
    if (!startSession(session, settings, ui, prefs))
        return 1;
    TMainForm main(session, settings, ui, prefs);
    ui.setParent(&main);
    // Fill the screen even where no window manager maximises for us.
    if (const QScreen *screen = main.screen())
        main.setGeometry(screen->availableGeometry());
    main.showMaximized();
    // The splash comes once the main window is on the screen.
    if (qEnvironmentVariableIsEmpty("TALLOWMERE_NO_SPLASH"))
        QTimer::singleShot(0, &main, &TMainForm::showSplash);
    return app.exec();
}

} // namespace tq::gui
