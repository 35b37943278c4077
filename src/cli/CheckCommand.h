#pragma once

#include "Command.h"

namespace tq {
class RecordSelection;
}

namespace tq::cli {

// tallowmere check [--db FILE] [--all | --range LO HI | --codes C1,C2,...] [--report-folder DIR]
// Checks the selected records against the consistency rules, marks them and
// writes the result file into the report folder; its path is the last line.
// Exit 0 when every record passes, 1 when some fail, 2 on an error.
class CheckCommand : public Command {
public:
    QString name() const override { return QStringLiteral("check"); }
    QString summary() const override;
    QString synopsis() const override;
    QString description() const override;
    void configure(QCommandLineParser &parser) override;
    int run(const QCommandLineParser &parser, CommandContext &ctx) override;

private:
    static RecordSelection selection(const QCommandLineParser &parser);
};

} // namespace tq::cli
