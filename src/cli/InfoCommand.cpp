#include "InfoCommand.h"

#include "CommonOptions.h"
#include "app/Session.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace tq::cli {

QString InfoCommand::summary() const
{
    return QStringLiteral("print the database path, its label and its number of records");
}

void InfoCommand::configure(QCommandLineParser &parser)
{
    CommonOptions::addDatabase(parser);
}

int InfoCommand::run(const QCommandLineParser &parser, CommandContext &ctx)
{
    if (!parser.positionalArguments().isEmpty())
        throw ArgumentError(QStringLiteral("unknown argument ") + parser.positionalArguments().first());
    Session session;
    CommonOptions::openDatabase(parser, session);
    const qint64 n = session.db().scalar(QStringLiteral("SELECT count(*) FROM dt_data")).toLongLong();
    ctx.out << "database: " << session.path() << "\n"
            << "label: " << session.label() << "\n"
            << "records: " << n << "\n";
    return ExitOk;
}

} // namespace tq::cli
