#pragma once

#include "common/Error.h"

#include <QString>
#include <memory>

class QCommandLineParser;
class QTextStream;

namespace tq::cli {

// Exit codes of every headless command.
enum ExitCode { ExitOk = 0, ExitFindings = 1, ExitError = 2 };

// What a command runs with: results go to `out`, errors to `err`.
struct CommandContext {
    QTextStream &out;
    QTextStream &err;
};

// An argument the command cannot work with. The runner prints
// "tallowmere <command>: <text>" and exits with ExitError.
class ArgumentError : public Error {
public:
    using Error::Error;
};

// One headless subcommand: "tallowmere <name> [options]". The runner builds a
// QCommandLineParser, lets the command declare its options, parses, answers
// --help itself and then calls run(). An Error that escapes run() is printed
// on `err` and ends the command with ExitError.
class Command {
public:
    virtual ~Command() = default;

    // The word that selects the command.
    virtual QString name() const = 0;
    // One line for the list of commands.
    virtual QString summary() const = 0;
    // What follows "tallowmere <name>" in the usage line.
    virtual QString synopsis() const = 0;
    // More about the command for its help (exit codes, what it prints); may be empty.
    virtual QString description() const { return {}; }

    // Declares the options and positional arguments.
    virtual void configure(QCommandLineParser &parser) = 0;
    // Does the work on the parsed arguments; returns the exit code.
    virtual int run(const QCommandLineParser &parser, CommandContext &ctx) = 0;

    QString usageLine() const { return QStringLiteral("usage: tallowmere ") + name() + u' ' + synopsis(); }
};

using CommandFactory = std::unique_ptr<Command> (*)();

template <class C> std::unique_ptr<Command> makeCommand()
{
    return std::make_unique<C>();
}

} // namespace tq::cli
