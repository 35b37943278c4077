#include "CliMain.h"
#include "app/Application.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (tq::cli::wantsHeadless(args)) {
        // Headless commands need no display.
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return tq::cli::run(app.arguments().mid(1), out, err);
    }
    QApplication app(argc, argv);
    return tq::gui::runApplication(app);
}
