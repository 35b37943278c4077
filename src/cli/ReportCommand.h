#pragma once

#include "Command.h"

namespace tq::cli {

// tallowmere report --label NAME --out FILE [--db FILE]
// Writes the report file for the level above: every record of the database,
// all of which must have passed the logic check, under the supplier's name
// NAME. The file's path is the last line. Exit 0 when written, 1 when some
// record is not checked (nothing is written), 2 on an error.
class ReportCommand : public Command {
public:
    QString name() const override { return QStringLiteral("report"); }
    QString summary() const override;
    QString synopsis() const override;
    QString description() const override;
    void configure(QCommandLineParser &parser) override;
    int run(const QCommandLineParser &parser, CommandContext &ctx) override;
};

} // namespace tq::cli
