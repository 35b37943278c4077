#pragma once

// The two options every build tool takes: the folder of the text sources and
// the folder of the program it writes into.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

namespace tq::tools {

inline bool dataAndOutDirs(QCoreApplication &app, const char *tool, QString &dataDir, QString &outDir)
{
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("data"), QStringLiteral("Folder of the text sources."), QStringLiteral("dir")});
    parser.addOption({QStringLiteral("out"), QStringLiteral("Folder of the program."), QStringLiteral("dir")});
    parser.process(app);
    dataDir = parser.value(QStringLiteral("data"));
    outDir = parser.value(QStringLiteral("out"));
    if (dataDir.isEmpty() || outDir.isEmpty()) {
        QTextStream(stderr) << "usage: " << tool << " --data DIR --out DIR\n";
        return false;
    }
    return true;
}

} // namespace tq::tools
