#pragma once

#include "Command.h"

namespace tq::cli {

// tallowmere import FILE... [--db FILE] [--report-folder DIR]
// Imports report files as the batch import does, without questions: each
// file's records in one transaction, all or none. Files whose codes clash
// with existing records are listed in the conflict report in the report
// folder; its path is the last line. Exit 0 when every file was imported, 1
// when some file had clashing codes, 2 on an error.
class ImportCommand : public Command {
public:
    QString name() const override { return QStringLiteral("import"); }
    QString summary() const override;
    QString synopsis() const override;
    QString description() const override;
    void configure(QCommandLineParser &parser) override;
    int run(const QCommandLineParser &parser, CommandContext &ctx) override;
};

} // namespace tq::cli
