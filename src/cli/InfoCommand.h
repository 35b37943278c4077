#pragma once

#include "Command.h"

namespace tq::cli {

// tallowmere info [--db FILE]
// Prints the database path, its label and its number of records.
class InfoCommand : public Command {
public:
    QString name() const override { return QStringLiteral("info"); }
    QString summary() const override;
    QString synopsis() const override { return QStringLiteral("[--db FILE]"); }
    void configure(QCommandLineParser &parser) override;
    int run(const QCommandLineParser &parser, CommandContext &ctx) override;
};

} // namespace tq::cli
