// Test and benchmark tool: writes a survey database filled with synthetic
// records.
//
//   tq_synth --out FILE (--template DB | --data DIR) [--count N] [--seed S]
//            [--first-code C] [--fail-share F] [--rules 2,17,...]
//            [--rules-file FILE] [--no-states] [--force]
//
// The new file is a copy of the template, or a fresh database built from the
// data folder. The rule list defaults to logic_rules.tsv of the data folder,
// which is --data or else the environment variable TQ_DATA_DIR.

#include "SyntheticGenerator.h"
#include "db/Database.h"
#include "db/DefaultDataBuilder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}

int fail(const QString &text)
{
    err() << "tq_synth: " << text << "\n";
    return 1;
}

bool toInt(const QString &text, qint64 lo, qint64 hi, qint64 &value)
{
    bool ok = false;
    value = text.toLongLong(&ok);
    return ok && value >= lo && value <= hi;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes a survey database filled with synthetic records."));
    parser.addHelpOption();
    const QCommandLineOption outOpt(QStringLiteral("out"), QStringLiteral("Database file to write."),
                                    QStringLiteral("file"));
    const QCommandLineOption templateOpt(QStringLiteral("template"), QStringLiteral("Survey database to copy."),
                                         QStringLiteral("db"));
    const QCommandLineOption dataOpt(QStringLiteral("data"),
                                     QStringLiteral("Data folder (schema, catalogue, code tables, rule list)."),
                                     QStringLiteral("dir"));
    const QCommandLineOption countOpt(QStringLiteral("count"), QStringLiteral("Number of records (default 100)."),
                                      QStringLiteral("n"), QStringLiteral("100"));
    const QCommandLineOption seedOpt(QStringLiteral("seed"), QStringLiteral("Random seed (default 1)."),
                                     QStringLiteral("s"), QStringLiteral("1"));
    const QCommandLineOption codeOpt(QStringLiteral("first-code"),
                                     QStringLiteral("Code (c901) of the first record (default 100001)."),
                                     QStringLiteral("c"), QStringLiteral("100001"));
    const QCommandLineOption shareOpt(QStringLiteral("fail-share"),
                                      QStringLiteral("Share of records, 0 to 1, that break one rule (default 0)."),
                                      QStringLiteral("f"), QStringLiteral("0"));
    const QCommandLineOption rulesOpt(QStringLiteral("rules"),
                                      QStringLiteral("Comma-separated numbers of the rules to break (default: any)."),
                                      QStringLiteral("list"));
    const QCommandLineOption rulesFileOpt(QStringLiteral("rules-file"),
                                          QStringLiteral("Rule list (default: logic_rules.tsv of the data folder)."),
                                          QStringLiteral("file"));
    const QCommandLineOption noStatesOpt(QStringLiteral("no-states"), QStringLiteral("Write RecordState 0."));
    const QCommandLineOption forceOpt(QStringLiteral("force"), QStringLiteral("Replace an existing output file."));
    parser.addOptions({outOpt, templateOpt, dataOpt, countOpt, seedOpt, codeOpt, shareOpt, rulesOpt, rulesFileOpt,
                       noStatesOpt, forceOpt});
    parser.process(app);

    const QString target = parser.value(outOpt);
    if (target.isEmpty())
        return fail(QStringLiteral("--out FILE is required"));
    const QString templ = parser.value(templateOpt);
    QString dataDir = parser.value(dataOpt);
    if (dataDir.isEmpty())
        dataDir = qEnvironmentVariable("TQ_DATA_DIR");
    if (templ.isEmpty() && dataDir.isEmpty())
        return fail(QStringLiteral("give --template DB or --data DIR (or set TQ_DATA_DIR)"));
    QString rulesFile = parser.value(rulesFileOpt);
    if (rulesFile.isEmpty()) {
        if (dataDir.isEmpty())
            return fail(QStringLiteral("no rule list: give --rules-file FILE or --data DIR, or set TQ_DATA_DIR"));
        rulesFile = QDir(dataDir).filePath(QStringLiteral("logic_rules.tsv"));
    }

    tq::synth::Options o;
    qint64 n = 0;
    if (!toInt(parser.value(countOpt), 0, 9999999, n))
        return fail(QStringLiteral("--count must be a whole number from 0 to 9999999"));
    o.count = int(n);
    if (!toInt(parser.value(seedOpt), 0, 0xFFFFFFFFLL, n))
        return fail(QStringLiteral("--seed must be a whole number from 0 to 4294967295"));
    o.seed = quint32(n);
    if (!toInt(parser.value(codeOpt), 1, 9999999, n))
        return fail(QStringLiteral("--first-code must be a whole number from 1 to 9999999"));
    o.firstCode = int(n);
    bool ok = false;
    o.failShare = parser.value(shareOpt).toDouble(&ok);
    if (!ok || o.failShare < 0 || o.failShare > 1)
        return fail(QStringLiteral("--fail-share must be a number from 0 to 1"));
    for (const QString &item : parser.value(rulesOpt).split(u',', Qt::SkipEmptyParts)) {
        if (!toInt(item.trimmed(), 1, 99999, n))
            return fail(QStringLiteral("--rules: '%1' is not a rule number").arg(item));
        o.failRules << int(n);
    }
    o.markStates = !parser.isSet(noStatesOpt);

    if (QFileInfo::exists(target)) {
        if (!parser.isSet(forceOpt))
            return fail(QStringLiteral("%1 exists; use --force to replace it").arg(target));
        if (!QFile::remove(target))
            return fail(QStringLiteral("cannot remove %1").arg(target));
    }

    QElapsedTimer timer;
    timer.start();
    try {
        if (!templ.isEmpty()) {
            if (!QFileInfo(templ).isFile())
                return fail(QStringLiteral("no template database %1").arg(templ));
            if (!QFile::copy(templ, target))
                return fail(QStringLiteral("cannot copy %1 to %2").arg(templ, target));
            QFile(target).setPermissions(QFile(target).permissions() | QFileDevice::WriteOwner);
        } else {
            tq::db::DefaultDataBuilder(dataDir).build(target);
        }
        const qint64 prepared = timer.elapsed();

        tq::db::Database db = tq::db::Database::open(target);
        const tq::synth::Summary s = tq::synth::generate(db, o, rulesFile);
        db.close();
        const double secs = double(timer.elapsed() - prepared) / 1000.0;
        out() << "wrote " << s.written << " records (" << s.broken << " breaking a rule), codes " << o.firstCode
              << " to " << qint64(o.firstCode) + s.written - 1 << ", to " << target << "\n"
              << "generated in " << QString::number(secs, 'f', 2) << " s"
              << (s.written > 0 ? QStringLiteral(" (%1 records/s)").arg(qint64(s.written / std::max(secs, 1e-3)))
                                : QString())
              << "; database prepared in " << QString::number(double(prepared) / 1000.0, 'f', 2) << " s\n";
    } catch (const std::exception &e) {
        QFile::remove(target); // never leave a half-filled file behind
        const auto *se = dynamic_cast<const tq::synth::SynthError *>(&e);
        const auto *de = dynamic_cast<const tq::db::DbError *>(&e);
        return fail(se ? se->text() : de ? de->text() : QString::fromLocal8Bit(e.what()));
    }
    return 0;
}
