// Speed of the workbook layer: a large list written and saved (the list
// export of a national database), and rows inserted one by one at row 9 of a
// summary template sheet (the summary run). Prints the figures; the targets
// are 5 s and 1 s.

#include "automation/Workbook.h"
#include "common/Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

using namespace tq::automation;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    const int rows = 100000, columns = 20;
    try {
        QElapsedTimer total;
        total.start();
        QElapsedTimer t;
        t.start();
        auto book = Workbook::create();
        Worksheet &s = book->sheet(1);
        static const QStringList cities{QStringLiteral("北京市市辖区"), QStringLiteral("天津市市辖区"),
                                        QStringLiteral("河北省石家庄市"), QStringLiteral("山西省太原市")};
        for (int c = 1; c <= columns; ++c)
            s.setValue(3, c, QStringLiteral("字段%1").arg(c));
        for (int r = 0; r < rows; ++r) {
            const int row = r + 5;
            s.setValue(row, 1, QString::number(100001 + r));
            s.setValue(row, 2, QStringLiteral("第%1基层以上工会").arg(r));
            s.setValue(row, 3, cities[r % cities.size()]);
            for (int c = 4; c <= columns; ++c)
                s.setValue(row, c, QString::number((r * 7 + c * 13) % 1000));
        }
        const qint64 writeMs = t.restart();
        const QString listPath = dir.filePath(QStringLiteral("list.xlsx"));
        book->save(listPath);
        const qint64 saveMs = t.elapsed();
        out << QStringLiteral(
                   "list %1 rows x %2 columns: write %3 ms, save %4 ms, total %5 ms (target < 5000), %6 KiB\n")
                   .arg(rows)
                   .arg(columns)
                   .arg(writeMs)
                   .arg(saveMs)
                   .arg(total.elapsed())
                   .arg(QFileInfo(listPath).size() / 1024);

        const QString templatePath =
            argc > 1 ? QString::fromLocal8Bit(argv[1])
                     : QDir(QStringLiteral(TQ_BIN_DIR)).filePath(QStringLiteral("2009基层以上汇总表.xltx"));
        t.restart();
        auto summary = Workbook::open(templatePath);
        const qint64 openMs = t.restart();
        Worksheet &sheet = summary->sheet(2);
        for (int i = 0; i < 500; ++i) {
            if (i > 0)
                sheet.insertRow(9);
            sheet.setValue(9, 1, QStringLiteral("第%1组").arg(i));
            for (int c = 2; c <= 10; ++c)
                sheet.setValue(9, c, QString::number(i + c));
        }
        const qint64 insertMs = t.restart();
        summary->save(dir.filePath(QStringLiteral("summary.xlsx")));
        const qint64 summarySaveMs = t.elapsed();
        out << QStringLiteral("summary template: open %1 ms, 500 rows inserted at row 9 and written %2 ms "
                              "(target < 1000), save %3 ms; total formula now %4\n")
                   .arg(openMs)
                   .arg(insertMs)
                   .arg(summarySaveMs)
                   .arg(sheet.formula(509, 2));
    } catch (const tq::Error &e) {
        out << "bench_workbook: " << e.text() << "\n";
        return 1;
    }
    return 0;
}
