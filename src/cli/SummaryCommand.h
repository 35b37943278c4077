#pragma once

#include "Command.h"

namespace tq::cli {

// tallowmere summary --out FILE.xlsx [--db FILE] [--group ID] [--sheets N,N,...]
// Writes the summary workbook ("2009基层以上汇总表.xltx" beside the program,
// filled as the summary dialog fills it): by level, or by the code ranges of
// grouping ID (0: every grouping's ranges); the sheets N of the workbook
// (1 the cover, 2 to 25 the tables), all 24 table sheets when left out.
// Prints FILE's path. Exit 0 when written, 2 on any error.
class SummaryCommand : public Command {
public:
    QString name() const override { return QStringLiteral("summary"); }
    QString summary() const override;
    QString synopsis() const override
    {
        return QStringLiteral("--out FILE.xlsx [--db FILE] [--group ID] [--sheets N,N,...]");
    }
    QString description() const override;
    void configure(QCommandLineParser &parser) override;
    int run(const QCommandLineParser &parser, CommandContext &ctx) override;
};

} // namespace tq::cli
