#include "CompactCommand.h"

#include "CliInteraction.h"
#include "CommonOptions.h"
#include "app/Session.h"
#include "exchange/DatabaseMaintenance.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace tq::cli {

QString CompactCommand::summary() const
{
    return QStringLiteral("rewrite the database file compactly, giving back the space of deleted records");
}

QString CompactCommand::description() const
{
    return QStringLiteral("The file is replaced only by a whole, checked copy; on an error it stays as it was. "
                          "Prints the file and its size before and after. Exit 0 on success, 2 on an error.");
}

void CompactCommand::configure(QCommandLineParser &parser)
{
    CommonOptions::addDatabase(parser);
}

int CompactCommand::run(const QCommandLineParser &parser, CommandContext &ctx)
{
    if (!parser.positionalArguments().isEmpty())
        throw ArgumentError(QStringLiteral("unexpected argument ") + parser.positionalArguments().first());
    Session session;
    CommonOptions::openDatabase(parser, session);
    const QString path = session.path();
    const qint64 before = QFileInfo(path).size();
    CliInteraction ui(ctx.out);
    try {
        exchange::DatabaseMaintenance(session, ui).compactOpenFile();
    } catch (const Error &e) {
        throw Error(QStringLiteral("运行中发生错误：") + e.text());
    }
    ctx.out << "压缩操作成功\n"
            << QDir::toNativeSeparators(path) << "\n"
            << "size: " << before << " -> " << QFileInfo(path).size() << " bytes\n";
    return ExitOk;
}

} // namespace tq::cli
