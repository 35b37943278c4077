#pragma once

#include <QStringList>

class QTextStream;

namespace tq::cli {

// tallowmere print CODE --out FILE.xlsx [--db FILE]
// Writes the print-out of the record CODE (the form "2009打印表.xltx" beside
// the program, filled as the main window's print command fills it) to FILE.
// `args` starts after "print". Exit code 0 when written, 2 on any error, with
// its text on `err`.
int runPrint(const QStringList &args, QTextStream &out, QTextStream &err);

// The line of the command for the usage text.
QString printUsage();

} // namespace tq::cli
