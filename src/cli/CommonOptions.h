#pragma once

#include <QString>

class QCommandLineParser;

namespace tq {
class Session;
}

namespace tq::cli {

// The options several commands share, declared and read in one place so that
// they mean the same thing in every command.
class CommonOptions {
public:
    // --db FILE: the survey database to work on; left out, the default
    // database beside the program.
    static void addDatabase(QCommandLineParser &parser);
    // Opens `session` on the chosen database. An empty name is refused with
    // ArgumentError rather than read as "the default database": it usually is
    // an unset variable in a script, and a check would then mark the records
    // of a database nobody asked for. A file that cannot be opened raises the
    // session's error.
    static void openDatabase(const QCommandLineParser &parser, Session &session);

    // --report-folder DIR: where result files and conflict reports go; left
    // out, the report folder of the settings.
    static void addReportFolder(QCommandLineParser &parser);
    // The chosen folder, created when missing. An empty name raises
    // ArgumentError, a folder that cannot be created Error.
    static QString reportFolder(const QCommandLineParser &parser);
};

} // namespace tq::cli
