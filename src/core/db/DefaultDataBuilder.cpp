#include "db/DefaultDataBuilder.h"

#include "common/Csv.h"
#include "db/Database.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <stdexcept>

namespace tq::db {

namespace {

QList<QStringList> readCsv(const QString &path)
{
    try {
        return Csv::readFile(path);
    } catch (const std::exception &e) {
        throw DbError(QString::fromUtf8(e.what()));
    }
}

QString readText(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("cannot read %1: %2").arg(path, f.errorString()));
    return QString::fromUtf8(f.readAll());
}

// Inserts every row of a CSV file whose first line names the columns.
void insertCsv(Database &db, const QString &table, const QList<QStringList> &rows)
{
    if (rows.isEmpty())
        throw DbError(QStringLiteral("%1: no header").arg(table));
    const QStringList header = rows.first();
    QStringList marks;
    for (int i = 0; i < header.size(); ++i)
        marks << QStringLiteral("?");
    Statement st = db.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(table, header.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const QStringList &row = rows.at(r);
        if (row.size() != header.size())
            throw DbError(QStringLiteral("%1: line %2 has %3 fields, expected %4")
                              .arg(table)
                              .arg(r + 1)
                              .arg(row.size())
                              .arg(header.size()));
        st.reset();
        for (int c = 0; c < row.size(); ++c) {
            bool isInt = false;
            const qlonglong n = row.at(c).toLongLong(&isInt);
            if (isInt)
                st.bind(c + 1, n);
            else
                st.bind(c + 1, row.at(c));
        }
        st.step();
    }
}

struct Field {
    QString name;
    int page = -1;
    bool yesNo = false; // a one-digit answer (QueryType 3), usually a gate question
};

} // namespace

DefaultDataBuilder::DefaultDataBuilder(QString dataDir) : m_dataDir(std::move(dataDir))
{
}

QString DefaultDataBuilder::file(const QString &name) const
{
    return QDir(m_dataDir).filePath(name);
}

QString DefaultDataBuilder::schemaScript() const
{
    const QList<QStringList> catalogue = readCsv(file(QStringLiteral("fieldlist.csv")));
    const QStringList header = catalogue.value(0);
    const int nameCol = int(header.indexOf(QStringLiteral("FieldName")));
    const int pageCol = int(header.indexOf(QStringLiteral("PageID")));
    if (nameCol < 0 || pageCol < 0)
        throw DbError(QStringLiteral("fieldlist.csv lacks FieldName or PageID"));
    QStringList columns;
    for (qsizetype r = 1; r < catalogue.size(); ++r) {
        if (catalogue[r].value(pageCol).toInt() >= 1)
            columns << QStringLiteral("%1 INTEGER").arg(catalogue[r].value(nameCol));
    }
    QString schema = readText(file(QStringLiteral("schema.sql")));
    schema.replace(QStringLiteral("@SURVEY_COLUMNS@"), columns.join(QStringLiteral(",\n    ")));
    return schema;
}

void DefaultDataBuilder::build(const QString &path, const QString &label) const
{
    const QString schema = schemaScript();
    const QList<QStringList> catalogue = readCsv(file(QStringLiteral("fieldlist.csv")));
    const QList<QStringList> levels = readCsv(file(QStringLiteral("levelcode.csv")));
    const QList<QStringList> cities = readCsv(file(QStringLiteral("cityname.csv")));
    const QList<QStringList> sheets = readCsv(file(QStringLiteral("sheetname.csv")));
    const QString rulesText = readText(file(QStringLiteral("logic_rules.tsv")));

    // Page of every field, for placing the on-screen rules.
    QHash<QString, Field> fields;
    {
        const QStringList header = catalogue.value(0);
        const int nameCol = int(header.indexOf(QStringLiteral("FieldName")));
        const int pageCol = int(header.indexOf(QStringLiteral("PageID")));
        const int typeCol = int(header.indexOf(QStringLiteral("QueryType")));
        for (qsizetype r = 1; r < catalogue.size(); ++r) {
            Field f{catalogue[r].value(nameCol), catalogue[r].value(pageCol).toInt(),
                    catalogue[r].value(typeCol).toInt() == 3};
            fields.insert(f.name.toLower(), f);
        }
    }

    Database::createEmpty(path);
    try {
        Database db = Database::open(path);
        Transaction tx(db);
        db.execScript(schema);
        insertCsv(db, QStringLiteral("dt_fieldlist"), catalogue);
        insertCsv(db, QStringLiteral("CT_LevelCode"), levels);
        insertCsv(db, QStringLiteral("CT_CityName"), cities);
        insertCsv(db, QStringLiteral("ct_sheetName"), sheets);

        // Each consistency rule becomes an on-screen rule of the page where its
        // last entered field lies: the condition itself is an expression over
        // box names. The focus goes to the field the user would correct: the
        // first amount of that page in the condition rather than a yes/no gate
        // ("b001 <> 1 and b002 <> 0" focuses b002); when the condition only
        // asks yes/no fields of the page, the last one, the dependent answer.
        static const QRegularExpression fieldRe(QStringLiteral("\\b([a-zA-Z][0-9]{3})\\b"));
        Statement ins = db.prepare(QStringLiteral(
            "INSERT INTO dt_logic (id, page_id, expression, explain, focus, rule) VALUES (?,?,?,?,?,?)"));
        const QStringList lines = rulesText.split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            const QStringList parts = line.split(QLatin1Char('\t'));
            if (parts.size() != 4)
                throw DbError(QStringLiteral("logic_rules.tsv: bad line: %1").arg(line));
            const QString condition = parts[1];
            int page = -1;
            QStringList names;
            for (auto it = fieldRe.globalMatch(condition); it.hasNext();) {
                const QString name = it.next().captured(1).toLower();
                const auto f = fields.constFind(name);
                if (f == fields.constEnd())
                    throw DbError(QStringLiteral("rule %1 names unknown field %2").arg(parts[0], name));
                names << name;
                page = std::max(page, f->page);
            }
            if (page < 1)
                throw DbError(QStringLiteral("rule %1 has no field on a table page").arg(parts[0]));
            QString focus;
            QString lastYesNo;
            for (const QString &n : names) {
                const Field f = fields.value(n);
                if (f.page != page)
                    continue;
                if (!f.yesNo) {
                    focus = n;
                    break;
                }
                lastYesNo = n;
            }
            if (focus.isEmpty())
                focus = lastYesNo;
            ins.reset();
            ins.bindAll({parts[0].toInt(), page, condition, parts[2], focus, parts[3]});
            ins.step();
        }
        db.exec(QStringLiteral("INSERT INTO ct_label (db_name) VALUES (?)"), {label});
        tx.commit();
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}

} // namespace tq::db
