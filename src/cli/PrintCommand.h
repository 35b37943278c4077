#pragma once

#include "Command.h"

namespace tq::cli {

// tallowmere print CODE --out FILE.xlsx [--db FILE]
// Writes the print-out of the record CODE (the form "2009打印表.xltx" beside
// the program, filled as the main window's print command fills it) to FILE and
// prints FILE's path. Exit 0 when written, 2 on any error.
class PrintCommand : public Command {
public:
    QString name() const override { return QStringLiteral("print"); }
    QString summary() const override;
    QString synopsis() const override { return QStringLiteral("CODE --out FILE.xlsx [--db FILE]"); }
    void configure(QCommandLineParser &parser) override;
    int run(const QCommandLineParser &parser, CommandContext &ctx) override;
};

} // namespace tq::cli
