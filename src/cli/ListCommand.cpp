#include "ListCommand.h"

#include "CliInteraction.h"
#include "CommonOptions.h"
#include "app/RecordSelection.h"
#include "app/Session.h"
#include "db/FieldCatalogue.h"
#include "exchange/ExportRows.h"
#include "exchange/ListExport.h"
#include "exchange/ListExportQuery.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace tq::cli {

namespace {

const QString OutOption = QStringLiteral("out");
const QString TablesOption = QStringLiteral("tables");
const QString RangeOption = QStringLiteral("range");
const QString WhereOption = QStringLiteral("where");

qint64 number(const QString &text, const QString &what)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (!ok)
        throw ArgumentError(what + QStringLiteral(" takes whole numbers, not ") + text);
    return v;
}

} // namespace

QString ListCommand::summary() const
{
    return QStringLiteral("write a data list of chosen tables and records to a workbook or a database file");
}

QString ListCommand::description() const
{
    return QStringLiteral("Tables are numbered 1 to 12. --range takes two codes (both included); --where may be\n"
                          "given several times, FIELD being a field of the catalogue and OP one of = > < >= <=.\n"
                          "A .mdb file gets the list as the table \"<label>数据列表\"; an existing file keeps\n"
                          "its other tables. Exit 0 when the list is written, 2 on any error.");
}

void ListCommand::configure(QCommandLineParser &parser)
{
    parser.addOption(
        {OutOption, QStringLiteral("The workbook (.xlsx) or database file (.mdb) to write."), QStringLiteral("file")});
    CommonOptions::addDatabase(parser);
    parser.addOption(
        {TablesOption, QStringLiteral("The tables whose fields are listed, e.g. 1,12."), QStringLiteral("list")});
    parser.addOption({RangeOption, QStringLiteral("The lowest code, followed by the highest."), QStringLiteral("lo")});
    parser.addOption({WhereOption, QStringLiteral("A field, followed by OP and NUMBER."), QStringLiteral("field")});
    parser.addPositionalArgument(QStringLiteral("HI, OP NUMBER"),
                                 QStringLiteral("The rest of --range and of each --where, in order."));
}

int ListCommand::run(const QCommandLineParser &parser, CommandContext &ctx)
{
    const QString target = parser.value(OutOption);
    if (target.isEmpty()) {
        ctx.err << usageLine() << "\n";
        return ExitError;
    }
    const QString suffix = QFileInfo(target).suffix().toLower();
    if (suffix != QLatin1String("xlsx") && suffix != QLatin1String("mdb"))
        throw ArgumentError(QStringLiteral("--out names a .xlsx workbook or a .mdb database file, not ") + target);

    QList<int> tables;
    for (const QString &part : parser.value(TablesOption).split(u',', Qt::SkipEmptyParts)) {
        const qint64 n = number(part, QStringLiteral("--tables"));
        if (n < 1 || n > 12)
            throw ArgumentError(QStringLiteral("--tables takes table numbers from 1 to 12, not ") + part);
        if (!tables.contains(int(n - 1)))
            tables << int(n - 1);
    }

    // --range and --where take more than one word: the words after the
    // option's value are the positional arguments, in the order the options came.
    struct Where {
        QString field, op;
        qint64 number;
    };
    const QStringList rest = parser.positionalArguments();
    qsizetype next = 0;
    const auto take = [&](const QString &option) {
        if (next >= rest.size())
            throw ArgumentError(QStringLiteral("--") + option + QStringLiteral(" is incomplete"));
        return rest.at(next++);
    };
    std::optional<CodeRange> range;
    QList<Where> wheres;
    const QStringList rangeLows = parser.values(RangeOption), whereFields = parser.values(WhereOption);
    qsizetype ranges = 0, conditions = 0;
    for (const QString &name : parser.optionNames()) {
        if (name == RangeOption) {
            if (ranges > 0)
                throw ArgumentError(QStringLiteral("--range may be given once"));
            const qint64 low = number(rangeLows.at(ranges++), QStringLiteral("--range"));
            const qint64 high = number(take(RangeOption), QStringLiteral("--range"));
            range = CodeRange::resolve(low, high);
            if (!range)
                throw ArgumentError(QStringLiteral("--range needs two codes, neither of them 0"));
        } else if (name == WhereOption) {
            Where w;
            w.field = whereFields.at(conditions++);
            w.op = take(WhereOption);
            w.number = number(take(WhereOption), QStringLiteral("--where"));
            wheres << w;
        }
    }
    if (next < rest.size())
        throw ArgumentError(QStringLiteral("unexpected argument ") + rest.at(next));

    Session session;
    CommonOptions::openDatabase(parser, session);
    db::Database &db = session.db();
    const db::FieldCatalogue catalogue = db::FieldCatalogue::load(db);
    const QStringList dataColumns = db.columnNames(QStringLiteral("dt_data"));
    // A condition names a field of the catalogue that the records have.
    QStringList fields;
    for (const db::CatalogueField &f : catalogue.fields()) {
        if (dataColumns.contains(f.fieldName, Qt::CaseInsensitive))
            fields << f.fieldName;
    }
    exchange::ListContent content;
    if (range)
        content.addRange(*range);
    for (const Where &w : wheres) {
        try {
            content.addComparison(w.field, w.op, w.number, fields);
        } catch (const Error &e) {
            throw ArgumentError(QStringLiteral("--where: ") + e.text());
        }
    }
    const ListQuery query =
        exchange::ListExportQuery::build(exchange::ListExportQuery::fieldsOf(catalogue, dataColumns, tables), content);
    const QString title = exchange::ListExportQuery::titleFor(session.label());

    CliInteraction ui(ctx.err);
    if (suffix == QLatin1String("xlsx")) {
        exchange::StatementRows rows(db, query);
        if (rows.rowCount() == 0)
            throw Error(exchange::ListExport::excelEmptyMessage());
        exchange::ListExport::writeWorkbook(rows, title, exchange::ListExport::allColumns(rows), target, ui);
    } else {
        if (exchange::StatementRows::countRows(db, query) == 0)
            throw Error(exchange::ListExport::accessEmptyMessage());
        exchange::ListExport::writeDatabase(db, query, title, target, ui);
    }
    ctx.out << QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath()) << "\n";
    return ExitOk;
}

} // namespace tq::cli
