#pragma once

#include <QStringList>

class QTextStream;

namespace tq::cli {

// true when the arguments ask for a headless command (no window is opened):
// the first one is a word (a command, "help", "version", or an unknown word
// that then fails with the usage), --help/-h or --version/-v. Any other
// option, such as Qt's own -platform or -style, starts the desktop program.
bool wantsHeadless(const QStringList &args);

// Runs a headless command; `args` excludes the program name. Returns the exit
// code: 0 success, 1 a finding the command reports (such as failed records),
// 2 an error (its text on `err`), including an unknown command or option.
int run(const QStringList &args, QTextStream &out, QTextStream &err);

} // namespace tq::cli
