// Build tool: writes the workbook templates that lie beside the program — the
// summary workbook and the two print-out forms — from the field catalogue and
// the sheet lists in data/templates. No binary workbook is kept in the
// repository; every build writes them afresh.
//
// The print forms take their cells from the catalogue's printPageID and
// printplace columns, so the form and the catalogue cannot disagree: each
// field's value cell is where the catalogue says, its label, unit and code
// stand in the same row.

#include "automation/CellAddress.h"
#include "automation/Workbook.h"
#include "common/Csv.h"
#include "common/Error.h"

#include "../common/ToolArgs.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>

#include <map>

using tq::Error;
using namespace tq::automation;

namespace {

struct Field {
    QString name;
    QString hint;
    int page = -1;
    int sequence = 0;
    int printPage = 0;
    QString printPlace;
};

// The parts of a catalogue hint: "帮扶困难职工(户次)" has the unit 户次;
// "…(1=是；2=否)" lists the answers instead.
struct Label {
    QString name;
    QString unit;
    QStringList choices;
};

Label splitHint(const QString &hint)
{
    static const QRegularExpression tail(QStringLiteral("[（(]([^（()）]*)[)）]\\s*$"));
    const QRegularExpressionMatch m = tail.match(hint);
    if (!m.hasMatch())
        return {hint, {}, {}};
    Label l{hint.left(m.capturedStart()).trimmed(), {}, {}};
    const QString inner = m.captured(1);
    if (!inner.contains(u'=')) {
        l.unit = inner;
        return l;
    }
    for (const QString &part : inner.split(QRegularExpression(QStringLiteral("[；;]")), Qt::SkipEmptyParts))
        l.choices << part.section(u'=', 1).trimmed();
    return l;
}

QList<QStringList> readTsv(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Error(QStringLiteral("cannot read %1").arg(path));
    QList<QStringList> rows;
    for (const QString &line : QString::fromUtf8(f.readAll()).split(u'\n')) {
        const QString l = line.trimmed();
        if (l.isEmpty() || l.startsWith(u'#'))
            continue;
        rows << line.split(u'\t');
    }
    return rows;
}

std::map<QString, Field> readCatalogue(const QString &path)
{
    const QList<QStringList> rows = tq::Csv::readFile(path);
    const QStringList header = rows.value(0);
    auto col = [&header, &path](const char *name) {
        const qsizetype c = header.indexOf(QString::fromLatin1(name));
        if (c < 0)
            throw Error(QStringLiteral("%1 lacks the column %2").arg(path, QString::fromLatin1(name)));
        return c;
    };
    const qsizetype cName = col("FieldName"), cHint = col("Hint"), cPage = col("PageID"), cSeq = col("sequence"),
                    cPrintPage = col("printPageID"), cPlace = col("printplace");
    std::map<QString, Field> fields;
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const QStringList &row = rows[r];
        if (row.size() <= cPlace)
            continue;
        Field f{row[cName].trimmed(), row[cHint].trimmed(),    row[cPage].toInt(),
                row[cSeq].toInt(),    row[cPrintPage].toInt(), row[cPlace].trimmed()};
        fields[f.name.toLower()] = f;
    }
    return fields;
}

// "z001-z008" -> z001 ... z008
QStringList expandRun(const QString &run)
{
    const QStringList ends = run.split(u'-');
    if (ends.size() == 1)
        return ends;
    const QString prefix = ends[0].left(1);
    const int from = ends[0].mid(1).toInt(), to = ends[1].mid(1).toInt();
    QStringList names;
    for (int n = from; n <= to; ++n)
        names << prefix + QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
    return names;
}

CellFormat heading(double size = 10)
{
    CellFormat f;
    f.fontSize = size;
    f.bold = true;
    f.horizontal = HorizontalAlignment::Center;
    f.vertical = VerticalAlignment::Center;
    f.wrapText = true;
    f.thinBorder = true;
    return f;
}

CellFormat boxed()
{
    CellFormat f;
    f.thinBorder = true;
    f.vertical = VerticalAlignment::Center;
    return f;
}

CellFormat title(double size)
{
    CellFormat f;
    f.fontSize = size;
    f.bold = true;
    f.horizontal = HorizontalAlignment::Center;
    f.vertical = VerticalAlignment::Center;
    return f;
}

// ---------------------------------------------------------------- summary

void writeSummaryCover(Worksheet &s, const QString &year)
{
    for (int c = 1; c <= 8; ++c)
        s.setColumnWidth(c, 12);
    s.merge(QStringLiteral("A4:H4"));
    s.setValue(4, 1, year + QStringLiteral("年度全国工会统计年报"));
    s.format(QStringLiteral("A4"), title(20));
    s.setRowHeight(4, 36);
    s.merge(QStringLiteral("A6:H6"));
    s.setValue(6, 1, QStringLiteral("基层以上工会汇总表"));
    s.format(QStringLiteral("A6"), title(16));
    s.setRowHeight(6, 28);
    const QStringList lines{QStringLiteral("汇总单位："), QStringLiteral("汇总范围："), QStringLiteral("汇总日期：")};
    for (int i = 0; i < lines.size(); ++i) {
        const int row = 10 + 2 * i;
        s.setValue(row, 2, lines[i]);
        CellFormat right;
        right.fontSize = 12;
        right.horizontal = HorizontalAlignment::Right;
        s.format(CellRange::single(row, 2), right);
        s.merge(CellRange::of(row, 3, row, 7));
        s.format(CellRange::of(row, 3, row, 7), boxed());
        s.setRowHeight(row, 22);
    }
    PageSetup page;
    page.orientation = PageSetup::Orientation::Landscape;
    page.fitToWidth = 1;
    page.fitToHeight = 1;
    page.centerHorizontally = true;
    s.setPageSetup(page);
}

// A table sheet: title in row 1, headings in rows 2 to 8 (column 1 is left
// empty for the caption of the breakdown), the one placeholder row 9 and the
// total row 10. The sums start in heading row 8, which holds no numbers: rows
// inserted at row 9 then fall inside every sum.
void writeSummarySheet(Worksheet &s, const QString &sheetTitle, const QStringList &items,
                       const std::map<QString, Field> &fields, int expectedColumns)
{
    struct Group {
        QString label;
        QStringList sub;
    };
    QList<Group> groups;
    for (const QString &item : items) {
        if (item == QLatin1String("count")) {
            groups << Group{QStringLiteral("汇总单位数(个)"), {}};
            continue;
        }
        const QString kind = item.section(u':', 1);
        for (const QString &name : expandRun(item.section(u':', 0, 0))) {
            const auto it = fields.find(name.toLower());
            if (it == fields.end())
                throw Error(QStringLiteral("summary sheet %1: no field %2 in the catalogue").arg(sheetTitle, name));
            const Label l = splitHint(it->second.hint);
            if (kind == QLatin1String("yn"))
                groups << Group{l.name, {QStringLiteral("是"), QStringLiteral("否")}};
            else if (kind == QLatin1String("4")) {
                if (l.choices.size() != 4)
                    throw Error(QStringLiteral("field %1 does not list four choices").arg(name));
                groups << Group{l.name, l.choices};
            } else
                groups << Group{it->second.hint, {}};
        }
    }
    int columns = 0;
    for (const Group &g : groups)
        columns += std::max(1, int(g.sub.size()));
    if (columns != expectedColumns)
        throw Error(QStringLiteral("summary sheet %1 has %2 value columns, the list says %3")
                        .arg(sheetTitle)
                        .arg(columns)
                        .arg(expectedColumns));
    const int last = columns + 1;

    s.merge(CellRange::of(1, 1, 1, last));
    s.setValue(1, 1, sheetTitle);
    s.format(CellRange::single(1, 1), title(16));
    s.setRowHeight(1, 30);

    s.merge(CellRange::of(2, 1, 8, 1));
    s.format(CellRange::of(2, 1, 8, 1), heading(11));
    int col = 2;
    for (const Group &g : groups) {
        if (g.sub.isEmpty()) {
            s.merge(CellRange::of(2, col, 8, col));
            s.setValue(2, col, g.label);
            s.format(CellRange::of(2, col, 8, col), heading());
            ++col;
            continue;
        }
        const int width = int(g.sub.size());
        s.merge(CellRange::of(2, col, 7, col + width - 1));
        s.setValue(2, col, g.label);
        s.format(CellRange::of(2, col, 7, col + width - 1), heading());
        for (int k = 0; k < width; ++k) {
            s.setValue(8, col + k, g.sub[k]);
            s.format(CellRange::single(8, col + k), heading(9));
        }
        col += width;
    }
    s.setRowHeight(8, 30);

    s.format(CellRange::of(9, 1, 10, last), boxed());
    s.setValue(10, 1, QStringLiteral("合    计"));
    CellFormat total = boxed();
    total.bold = true;
    total.horizontal = HorizontalAlignment::Center;
    s.format(CellRange::single(10, 1), total);
    CellFormat sums = boxed();
    sums.bold = true;
    for (int c = 2; c <= last; ++c) {
        const QString letter = CellAddress::columnName(c);
        s.setFormula(10, c, QStringLiteral("SUM(") + letter + QStringLiteral("8:") + letter + QStringLiteral("9)"));
    }
    s.format(CellRange::of(10, 2, 10, last), sums);
    s.setRowHeight(9, 18);
    s.setRowHeight(10, 18);

    s.setColumnWidth(1, 24);
    for (int c = 2; c <= last; ++c)
        s.setColumnWidth(c, 11);
    PageSetup page;
    page.orientation = PageSetup::Orientation::Landscape;
    page.fitToWidth = 1;
    page.fitToHeight = 0;
    page.centerHorizontally = true;
    page.left = page.right = 0.4;
    page.centerFooter = QStringLiteral("第 &P 页，共 &N 页");
    s.setPageSetup(page);
}

void writeSummary(const QString &dataDir, const QString &outPath, const std::map<QString, Field> &fields)
{
    auto book = Workbook::create();
    book->sheet(1).setName(QStringLiteral("封面"));
    writeSummaryCover(book->sheet(1), QStringLiteral("2009"));
    int expected = 2;
    for (const QStringList &row : readTsv(QDir(dataDir).filePath(QStringLiteral("templates/summary_sheets.tsv")))) {
        if (row.size() < 4 || row[0].toInt() != expected)
            throw Error(QStringLiteral("summary_sheets.tsv: sheet %1 expected").arg(expected));
        Worksheet &s = book->addSheet(row[1]);
        writeSummarySheet(s, row[1], row[2].split(u' ', Qt::SkipEmptyParts), fields, row[3].toInt());
        ++expected;
    }
    if (book->sheetCount() != 25)
        throw Error(QStringLiteral("the summary template needs 25 sheets, the list gives %1").arg(book->sheetCount()));
    book->save(outPath);
}

// ---------------------------------------------------------------- print forms

QString printLabel(const Field &f, QString &unit)
{
    const Label l = splitHint(f.hint);
    unit = l.unit.isEmpty() ? QStringLiteral("—") : l.unit;
    if (l.choices.size() > 2) {
        // Long answer lists go on lines of their own, two answers a line.
        const QString inner = f.hint.mid(l.name.size() + 1).chopped(1);
        const QStringList parts = inner.split(QRegularExpression(QStringLiteral("[；;]")), Qt::SkipEmptyParts);
        QStringList lines{l.name};
        for (qsizetype i = 0; i < parts.size(); i += 2)
            lines << (i == 0 ? QStringLiteral("(") : QStringLiteral(" ")) + parts.mid(i, 2).join(QStringLiteral("；")) +
                         (i + 2 >= parts.size() ? QStringLiteral(")") : QStringLiteral("；"));
        return lines.join(u'\n');
    }
    return l.unit.isEmpty() ? f.hint : l.name;
}

void writePrintForm(const QString &dataDir, const QString &outPath, const QString &year,
                    const std::map<QString, Field> &fields)
{
    const QList<QStringList> pages = readTsv(QDir(dataDir).filePath(QStringLiteral("templates/print_pages.tsv")));
    auto book = Workbook::create();
    QHash<int, int> sheetOfPage;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const QStringList &p = pages[i];
        if (p.size() < 4 || p[0].toInt() != i + 1)
            throw Error(QStringLiteral("print_pages.tsv: sheets must be numbered 1, 2, ... in order"));
        if (i == 0)
            book->sheet(1).setName(p[2]);
        else
            book->addSheet(p[2]);
        sheetOfPage.insert(p[1].toInt(), p[0].toInt());
    }

    // Every field on an entry page needs its own cell in column D of the
    // sheet of its page, below the headings.
    QSet<QString> taken;
    std::map<int, std::vector<const Field *>> bySheet;
    for (const auto &[key, f] : fields) {
        if (f.page < 0)
            continue;
        if (!sheetOfPage.contains(f.page))
            throw Error(QStringLiteral("field %1: page %2 has no print sheet").arg(f.name).arg(f.page));
        if (f.printPage != sheetOfPage.value(f.page))
            throw Error(QStringLiteral("fieldlist.csv: %1 is on page %2, printPageID should be %3, not %4")
                            .arg(f.name)
                            .arg(f.page)
                            .arg(sheetOfPage.value(f.page))
                            .arg(f.printPage));
        const CellAddress a = CellAddress::parse(f.printPlace);
        if (a.column != 4 || a.row < 4)
            throw Error(QStringLiteral("fieldlist.csv: printplace %1 of %2 must be in column D from row 4 on")
                            .arg(f.printPlace, f.name));
        const QString key2 = QStringLiteral("%1!%2").arg(f.printPage).arg(a.toString());
        if (taken.contains(key2))
            throw Error(QStringLiteral("fieldlist.csv: two fields print into %1 of sheet %2")
                            .arg(a.toString())
                            .arg(f.printPage));
        taken.insert(key2);
        bySheet[f.printPage].push_back(&f);
    }

    const QString formTitle = year + QStringLiteral("年度全国工会统计年报");
    for (const QStringList &p : pages) {
        const int sheetNo = p[0].toInt();
        Worksheet &s = book->sheet(sheetNo);
        const bool cover = p[1].toInt() == 0;
        PageSetup page;
        page.fitToWidth = 1;
        page.fitToHeight = 1;
        page.centerHorizontally = true;
        page.top = 0.6;
        page.bottom = 0.6;
        page.centerFooter = formTitle + QStringLiteral("  &A");
        s.setPageSetup(page);
        if (cover) {
            s.setColumnWidth(1, 14);
            s.setColumnWidth(2, 14);
            s.setColumnWidth(3, 14);
            s.setColumnWidth(4, 48);
            s.merge(QStringLiteral("A1:D1"));
            s.setValue(1, 1, formTitle);
            s.format(QStringLiteral("A1"), title(18));
            s.setRowHeight(1, 40);
            s.merge(QStringLiteral("A2:D2"));
            s.setValue(2, 1, p[3]);
            s.format(QStringLiteral("A2"), title(16));
            s.setRowHeight(2, 32);
        } else {
            s.setColumnWidth(1, 56);
            s.setColumnWidth(2, 10);
            s.setColumnWidth(3, 8);
            s.setColumnWidth(4, 16);
            s.merge(QStringLiteral("A1:D1"));
            s.setValue(1, 1, p[3]);
            s.format(QStringLiteral("A1"), title(14));
            s.setRowHeight(1, 30);
            s.merge(QStringLiteral("A2:D2"));
            s.setValue(2, 1, QStringLiteral("（%1年度）").arg(year));
            CellFormat sub;
            sub.horizontal = HorizontalAlignment::Center;
            s.format(QStringLiteral("A2"), sub);
            const QStringList heads{QStringLiteral("指标名称"), QStringLiteral("计量单位"), QStringLiteral("代码"),
                                    QStringLiteral("数值")};
            for (int c = 1; c <= 4; ++c)
                s.setValue(3, c, heads[c - 1]);
            CellFormat h = heading(11);
            h.fillColour = QStringLiteral("E7E6E6");
            s.format(QStringLiteral("A3:D3"), h);
            s.setRowHeight(3, 22);
        }
        int lastRow = 3;
        for (const Field *f : bySheet[sheetNo]) {
            const int row = CellAddress::parse(f->printPlace).row;
            lastRow = std::max(lastRow, row);
            QString unit;
            const QString label = cover ? f->hint : printLabel(*f, unit);
            CellFormat lf = boxed();
            lf.wrapText = true;
            if (cover) {
                s.merge(CellRange::of(row, 1, row, 3));
                s.setValue(row, 1, label);
                lf.fontSize = 12;
                s.format(CellRange::of(row, 1, row, 3), lf);
                CellFormat v = boxed();
                v.fontSize = 12;
                v.horizontal = HorizontalAlignment::Left;
                if (f->name != QLatin1String("c901") && f->name != QLatin1String("c903") &&
                    f->name != QLatin1String("c904"))
                    v.numberFormat = QStringLiteral("@"); // names and telephone numbers stay texts
                s.format(CellRange::single(row, 4), v);
                s.setRowHeight(row, 26);
                continue;
            }
            s.setValue(row, 1, label);
            s.format(CellRange::single(row, 1), lf);
            s.setValue(row, 2, unit);
            s.setValue(row, 3, f->name);
            CellFormat centred = boxed();
            centred.horizontal = HorizontalAlignment::Center;
            s.format(CellRange::of(row, 2, row, 3), centred);
            CellFormat v = boxed();
            v.horizontal = HorizontalAlignment::Right;
            s.format(CellRange::single(row, 4), v);
            s.setRowHeight(row, std::max<double>(18, 15 * (label.count(u'\n') + 1) + 3));
        }
        if (cover) {
            const QStringList hand{QStringLiteral("单位负责人（签章）"), QStringLiteral("报出日期")};
            for (int i = 0; i < hand.size(); ++i) {
                const int row = lastRow + 2 + i;
                s.merge(CellRange::of(row, 1, row, 3));
                s.setValue(row, 1, hand[i]);
                CellFormat lf = boxed();
                lf.fontSize = 12;
                s.format(CellRange::of(row, 1, row, 4), lf);
                s.setRowHeight(row, 26);
            }
        }
    }
    book->setActiveSheet(1);
    book->save(outPath);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString dataDir, outDir;
    if (!tq::tools::dataAndOutDirs(app, "tq_mktemplates", dataDir, outDir))
        return 2;
    QTextStream err(stderr);
    try {
        QDir().mkpath(outDir);
        const QDir out(outDir);
        const auto fields = readCatalogue(QDir(dataDir).filePath(QStringLiteral("fieldlist.csv")));
        writeSummary(dataDir, out.filePath(QStringLiteral("2009基层以上汇总表.xltx")), fields);
        writePrintForm(dataDir, out.filePath(QStringLiteral("2009打印表.xltx")), QStringLiteral("2009"), fields);
        writePrintForm(dataDir, out.filePath(QStringLiteral("2008打印表.xltx")), QStringLiteral("2008"), fields);
    } catch (const Error &e) {
        err << "tq_mktemplates: " << e.text() << "\n";
        return 1;
    } catch (const std::exception &e) {
        err << "tq_mktemplates: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
