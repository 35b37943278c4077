#pragma once

#include "Command.h"

namespace tq::cli {

// tallowmere compact [--db FILE]
// Rewrites the database file compactly.
class CompactCommand : public Command {
public:
    QString name() const override { return QStringLiteral("compact"); }
    QString summary() const override;
    QString synopsis() const override { return QStringLiteral("[--db FILE]"); }
    QString description() const override;
    void configure(QCommandLineParser &parser) override;
    int run(const QCommandLineParser &parser, CommandContext &ctx) override;
};

} // namespace tq::cli
