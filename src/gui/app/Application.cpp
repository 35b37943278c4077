#include "app/Application.h"

#include "app/DatabaseCommands.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/TMainForm.h"
#include "common/GuiInteraction.h"
#include "common/WheelToArrowFilter.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTimer>
#include <QTranslator>

namespace tq::gui {

void installChineseTranslations(QCoreApplication &app)
{
    // Qt's own dialogs and menus (file dialogs, the text boxes' context menu)
    // speak the user's language like the rest of the program.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char *name : {"qtbase_zh_CN", "qt_zh_CN"}) {
        auto *t = new QTranslator(&app);
        if (t->load(QString::fromLatin1(name), folder)) {
            QCoreApplication::installTranslator(t);
            return;
        }
        delete t;
    }
}

int runApplication(QApplication &app)
{
    app.setApplicationName(QStringLiteral("Tallowmere"));
    app.setOrganizationName(QStringLiteral("Corvenlo"));
    installChineseTranslations(app);
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
