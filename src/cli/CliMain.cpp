#include "CliMain.h"

#include "BackupCommand.h"
#include "CheckCommand.h"
#include "Command.h"
#include "CompactCommand.h"
#include "ImportCommand.h"
#include "InfoCommand.h"
#include "ListCommand.h"
#include "PrintCommand.h"
#include "ReportCommand.h"
#include "SummaryCommand.h"
#include "app/VersionInfo.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QTextStream>
#include <algorithm>
#include <vector>

namespace tq::cli {

namespace {

// Every headless command, in the order the usage lists them. A new command is
// a cli/<Name>Command.cpp/.h pair and one line here; the commands live in a
// static library, where self-registration would be dropped by the linker.
const CommandFactory Commands[] = {
    makeCommand<InfoCommand>,    makeCommand<CheckCommand>,   makeCommand<PrintCommand>,
    makeCommand<SummaryCommand>, makeCommand<ReportCommand>,  makeCommand<ImportCommand>,
    makeCommand<BackupCommand>,  makeCommand<CompactCommand>, makeCommand<ListCommand>,
};

std::unique_ptr<Command> findCommand(const QString &name)
{
    for (const CommandFactory make : Commands) {
        auto command = make();
        if (command->name() == name)
            return command;
    }
    return nullptr;
}

bool isHelp(const QString &arg)
{
    return arg == QLatin1String("help") || arg == QLatin1String("--help") || arg == QLatin1String("-h");
}

bool isVersion(const QString &arg)
{
    return arg == QLatin1String("version") || arg == QLatin1String("--version") || arg == QLatin1String("-v");
}

void usage(QTextStream &s)
{
    std::vector<std::pair<QString, QString>> rows;
    for (const CommandFactory make : Commands) {
        const auto command = make();
        rows.emplace_back(command->name(), command->summary());
    }
    rows.emplace_back(QStringLiteral("help [COMMAND]"), QStringLiteral("this text, or the options of COMMAND"));
    rows.emplace_back(QStringLiteral("version"), QStringLiteral("print the version and build (also --version, -v)"));
    qsizetype width = 0;
    for (const auto &row : rows)
        width = std::max(width, row.first.size());

    s << "usage: tallowmere [COMMAND [OPTIONS]]\n"
         "Without a command the desktop program starts on the default database.\n\n"
         "commands:\n";
    for (const auto &[name, summary] : rows)
        s << "  " << name.leftJustified(width + 2) << summary << "\n";
    s << "\n\"tallowmere help COMMAND\" lists the options of a command.\n";
}

const QCommandLineOption &helpOption()
{
    static const QCommandLineOption option(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                           QStringLiteral("Show the options of this command."));
    return option;
}

void declare(Command &command, QCommandLineParser &parser)
{
    parser.addOption(helpOption());
    command.configure(parser);
}

void commandHelp(const Command &command, const QCommandLineParser &parser, QTextStream &s)
{
    s << command.usageLine() << "\n" << command.summary() << "\n";
    if (!command.description().isEmpty())
        s << command.description() << "\n";
    // Qt's text after its own usage line, which names the executable's path
    // instead of the command.
    const QString text = parser.helpText();
    s << text.mid(text.indexOf(u'\n') + 1);
}

// QCommandLineParser takes every word that starts with '-' for an option, so
// a negative code or bound ("print -1", "check --range -5 10") would be an
// unknown option. No command has an option named by digits: such a word is a
// plain word, unless it is the value of the option before it. The arguments
// are handed to the parser as options with their values, then "--" and the
// plain words in their own order; the parser reads that exactly as the
// mixed order.
QStringList inParserOrder(QCommandLineParser &parser, const QStringList &args)
{
    static const QRegularExpression negativeNumber(QStringLiteral("^-[0-9]+$"));
    // An option that takes a value swallows the word after it.
    const auto takesValue = [&parser](const QString &option) {
        return parser.parse({QString(), option, QStringLiteral("x")}) && parser.positionalArguments().isEmpty();
    };
    QStringList options{QStringLiteral("tallowmere")};
    QStringList words;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--")) {
            words += args.mid(i + 1);
            break;
        }
        if (arg.size() > 1 && arg.startsWith(u'-') && !negativeNumber.match(arg).hasMatch()) {
            options << arg;
            if (!arg.contains(u'=') && takesValue(arg)) {
                // With no value left, "--" must not become the value: the
                // arguments as given make the parser report it missing.
                if (i + 1 == args.size())
                    return QStringList{QStringLiteral("tallowmere")} + args;
                options << args.at(++i);
            }
        } else {
            words << arg;
        }
    }
    return options + QStringList{QStringLiteral("--")} + words;
}

int runCommand(Command &command, const QStringList &args, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    declare(command, parser);
    if (!parser.parse(inParserOrder(parser, args))) {
        err << "tallowmere " << command.name() << ": " << parser.errorText() << "\n";
        commandHelp(command, parser, err);
        return ExitError;
    }
    if (parser.isSet(helpOption())) {
        commandHelp(command, parser, out);
        return ExitOk;
    }
    CommandContext ctx{out, err};
    try {
        return command.run(parser, ctx);
    } catch (const ArgumentError &e) {
        out.flush();
        err << "tallowmere " << command.name() << ": " << e.text() << "\n";
    } catch (const Error &e) {
        out.flush();
        err << e.text() << "\n";
    }
    return ExitError;
}

int unknownCommand(const QString &name, QTextStream &err)
{
    err << "tallowmere: unknown command " << name << "\n";
    usage(err);
    return ExitError;
}

// tallowmere help [COMMAND]
int help(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.isEmpty()) {
        usage(out);
        return ExitOk;
    }
    if (args.size() > 1) {
        err << "tallowmere help: unexpected argument " << args.at(1) << "\n";
        usage(err);
        return ExitError;
    }
    const auto command = findCommand(args.first());
    if (!command)
        return unknownCommand(args.first(), err);
    QCommandLineParser parser;
    declare(*command, parser);
    commandHelp(*command, parser, out);
    return ExitOk;
}

int dispatch(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.isEmpty() || isHelp(args.first()))
        return help(args.mid(1), out, err);
    if (isVersion(args.first())) {
        out << "tallowmere " << VersionInfo::current().displayText() << "\n";
        return ExitOk;
    }
    const auto command = findCommand(args.first());
    if (!command)
        return unknownCommand(args.first(), err);
    return runCommand(*command, args.mid(1), out, err);
}

} // namespace

bool wantsHeadless(const QStringList &args)
{
    if (args.isEmpty())
        return false;
    // Every command name is a word, so unknown words come here too and fail
    // with the usage instead of opening a window.
    const QString &first = args.first();
    return !first.startsWith(u'-') || isHelp(first) || isVersion(first);
}

int run(const QStringList &args, QTextStream &out, QTextStream &err)
{
    const int rc = dispatch(args, out, err);
    out.flush();
    err.flush();
    return rc;
}

} // namespace tq::cli
