#pragma once

#include "Command.h"

namespace tq::cli {

// tallowmere backup --out FILE [--db FILE]
// Copies the database file to FILE, byte for byte.
class BackupCommand : public Command {
public:
    QString name() const override { return QStringLiteral("backup"); }
    QString summary() const override;
    QString synopsis() const override { return QStringLiteral("--out FILE [--db FILE]"); }
    QString description() const override;
    void configure(QCommandLineParser &parser) override;
    int run(const QCommandLineParser &parser, CommandContext &ctx) override;
};

} // namespace tq::cli
