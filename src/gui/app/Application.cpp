#include "app/Application.h"

#include "app/DatabaseCommands.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/TMainForm.h"
#include "common/GuiInteraction.h"

#include <QApplication>

namespace tq::gui {

int runApplication(QApplication &app)
{
    app.setApplicationName(QStringLiteral("Tallowmere"));
    app.setOrganizationName(QStringLiteral("Corvenlo"));
    GuiInteraction ui;
    Settings settings;
    Session session;
    Preferences prefs;
    if (!startSession(session, settings, ui, prefs))
        return 1;
    TMainForm main(session, settings, ui, prefs);
    ui.setParent(&main);
    main.showMaximized();
    if (qEnvironmentVariableIsEmpty("TALLOWMERE_NO_SPLASH"))
        main.showSplash();
    return app.exec();
}

} // namespace tq::gui
