#pragma once

#include "Command.h"

namespace tq::cli {

// tallowmere list --out FILE.xlsx|FILE.mdb [--db FILE] [--tables N,N,...]
//                 [--range LO HI] [--where FIELD OP NUMBER]...
// Writes the data list of the list-export dialog: the cover columns and the
// state, then the fields of tables N (1 to 12), of all records or those in
// the code range and meeting every condition (OP one of = > < >= <=), to a
// workbook or as a table of a database file. Prints FILE's path. Exit 0 when
// written, 2 on any error (an empty list included).
class ListCommand : public Command {
public:
    QString name() const override { return QStringLiteral("list"); }
    QString summary() const override;
    QString synopsis() const override
    {
        return QStringLiteral("--out FILE.xlsx|FILE.mdb [--db FILE] [--tables N,N,...] [--range LO HI] "
                              "[--where FIELD OP NUMBER]...");
    }
    QString description() const override;
    void configure(QCommandLineParser &parser) override;
    int run(const QCommandLineParser &parser, CommandContext &ctx) override;
};

} // namespace tq::cli
