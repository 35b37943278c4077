#pragma once

#include <QString>

namespace tq {

class Settings;

// Where the program's files are: its own folder (default database, report
// template, workbook templates, notes), the user's documents folder and the
// report folder that receives result files and conflict reports.
class AppPaths {
public:
    // The folder of the executable, unless a test or tool has set another.
    static QString programDir();
    static void setProgramDir(const QString &dir);

    static QString inProgramDir(const QString &fileName);
    static QString defaultDatabasePath(); // "2009NB_tq.mdb" beside the program
    static QString reportTemplatePath();  // "view.dll" beside the program

    static QString documentsDir();
    // The ReportFolder setting when it names a folder, else the documents folder.
    static QString reportFolder(const Settings &settings);
};

} // namespace tq
