#include "automation/FormulaReferences.h"
#include "automation/Workbook.h"
#include "automation/ZipPackage.h"
#include "common/Error.h"

#include <QtTest>

using namespace tq;
using namespace tq::automation;

namespace {

std::string partOf(const QString &file, const QString &name)
{
    for (const ZipPackage::Part &p : ZipPackage::read(file)) {
        if (p.name == name)
            return p.data;
    }
    return {};
}

QString builtTemplate(const QString &name)
{
    return QDir(QStringLiteral(TQ_BIN_DIR)).filePath(name);
}

} // namespace

class TestWorkbook : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    std::unique_ptr<Workbook> saveAndReopen(Workbook &book, const QString &name = QStringLiteral("t.xlsx"))
    {
        book.save(path(name));
        return Workbook::open(path(name));
    }

private slots:
    void addresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column"); // 0: refused
        QTest::newRow("B7") << "B7" << 7 << 2;
        QTest::newRow("absolute") << "$AA$10" << 10 << 27;
        QTest::newRow("lower case") << "d4" << 4 << 4;
        QTest::newRow("last cell") << "XFD1048576" << 1048576 << 16384;
        QTest::newRow("row 0") << "A0" << 0 << 0;
        QTest::newRow("column past XFD") << "XFE1" << 0 << 0;
        QTest::newRow("row past the end") << "A1048577" << 0 << 0;
        QTest::newRow("digits first") << "1A" << 0 << 0;
        QTest::newRow("empty") << "" << 0 << 0;
        QTest::newRow("a range") << "A1:B2" << 0 << 0;
    }
    void addresses()
    {
        QFETCH(QString, text);
        QFETCH(int, row);
        QFETCH(int, column);
        if (column == 0) {
            QVERIFY_THROWS_EXCEPTION(Error, CellAddress::parse(text));
            return;
        }
        const CellAddress a = CellAddress::parse(text);
        QCOMPARE(a.row, row);
        QCOMPARE(a.column, column);
        QCOMPARE(CellAddress::parse(a.toString()), a);
    }

    void formulaReferences_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QString>("expected");
        // insert: 2 rows before row 9 of sheet "S"; the formula stands on "S".
        QTest::newRow("sum spanning the place grows") << "insert"
                                                      << "SUM(B8:B9)"
                                                      << "SUM(B8:B11)";
        QTest::newRow("cells below move, absolute too") << "insert"
                                                        << "B9+$C$12"
                                                        << "B11+$C$14";
        QTest::newRow("cells above stay") << "insert"
                                          << "B8*A1"
                                          << "B8*A1";
        QTest::newRow("whole rows move, columns stay") << "insert"
                                                       << "SUM(9:10)+SUM(A:A)"
                                                       << "SUM(11:12)+SUM(A:A)";
        QTest::newRow("texts are not references") << "insert"
                                                  << "\"B9\"&B9"
                                                  << "\"B9\"&B11";
        QTest::newRow("a function that reads like a cell") << "insert"
                                                           << "LOG10(B9)"
                                                           << "LOG10(B11)";
        QTest::newRow("another sheet is left alone") << "insert"
                                                     << "T!B9+B9"
                                                     << "T!B9+B11";
        QTest::newRow("this sheet by name") << "insert"
                                            << "'S'!B9:C20"
                                            << "'S'!B11:C22";
        QTest::newRow("pushed off the sheet") << "insert"
                                              << "B1048576"
                                              << "#REF!";
        QTest::newRow("sheet names in Chinese") << "rename"
                                                << "表一!A1+'表一'!B2+C3"
                                                << "'汇总 表'!A1+'汇总 表'!B2+C3";
        QTest::newRow("dropped sheet") << "drop"
                                       << "SUM(表一!A1:A3)+A1"
                                       << "SUM(#REF!)+A1";
        QTest::newRow("copied one down and right") << "translate"
                                                   << "A1+$B$2+C$3"
                                                   << "B2+$B$2+D$3";
    }
    void formulaReferences()
    {
        QFETCH(QString, op);
        QFETCH(QString, formula);
        QFETCH(QString, expected);
        QString got;
        if (op == QLatin1String("insert"))
            got = FormulaReferences::insertRows(formula, QStringLiteral("S"), QStringLiteral("S"), 9, 2);
        else if (op == QLatin1String("rename"))
            got = FormulaReferences::renameSheet(formula, QStringLiteral("表一"), QStringLiteral("汇总 表"));
        else if (op == QLatin1String("drop"))
            got = FormulaReferences::dropSheet(formula, QStringLiteral("表一"));
        else
            got = FormulaReferences::translate(formula, 1, 1);
        QCOMPARE(got, expected);
    }

    void valuesRoundTrip_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("textFormat");
        QTest::addColumn<int>("type"); // QMetaType id; 0 = blank
        QTest::addColumn<QString>("shown");
        const int num = QMetaType::Double, str = QMetaType::QString;
        QTest::newRow("whole number") << "42" << false << num << "42";
        QTest::newRow("decimal") << "-3.25" << false << num << "-3.25";
        QTest::newRow("exponent") << "1e3" << false << num << "1000";
        QTest::newRow("leading zeros stay a code") << "0101" << false << str << "0101";
        QTest::newRow("telephone number") << "01087654321" << false << str << "01087654321";
        QTest::newRow("beyond 15 digits") << "1234567890123456" << false << str << "1234567890123456";
        QTest::newRow("text cell keeps digits as text") << "12" << true << str << "12";
        QTest::newRow("empty is blank") << "" << false << 0 << "";
        QTest::newRow("a leading = is text") << "=A1" << false << str << "=A1";
        QTest::newRow("markup characters") << "a<b & \"c\" 'd'" << false << str << "a<b & \"c\" 'd'";
        QTest::newRow("Chinese, spaces, line break") << " 本级工会\n名称 " << false << str << " 本级工会\n名称 ";
        QTest::newRow("control character") << QStringLiteral("a\u0001b") << false << str << QStringLiteral("a\u0001b");
    }
    void valuesRoundTrip()
    {
        QFETCH(QString, input);
        QFETCH(bool, textFormat);
        QFETCH(int, type);
        QFETCH(QString, shown);
        auto book = Workbook::create();
        Worksheet &s = book->sheet(1);
        if (textFormat)
            s.setColumnNumberFormat(2, QStringLiteral("@"));
        s.setValue(3, 2, input);
        s.setValue(QStringLiteral("D5"), QStringLiteral("x")); // a neighbour keeps the row written
        auto back = saveAndReopen(*book);
        const QVariant v = back->sheet(1).value(3, 2);
        QCOMPARE(v.isValid() ? v.typeId() : 0, type);
        QCOMPARE(back->sheet(1).text(QStringLiteral("B3")), shown);
        QCOMPARE(back->sheet(1).isBlank(3, 2), type == 0);
    }

    void bigNumbersAndSheetsByNameRoundTrip()
    {
        auto book = Workbook::create();
        book->sheet(1).setName(QStringLiteral("封面"));
        Worksheet &t = book->addSheet(QStringLiteral("表一  工会组织建设状况(1)"));
        t.setNumber(1, 1, 123456789012.0);
        t.setNumber(1, 2, 0.1);
        t.setFormula(2, 1, QStringLiteral("=A1*2"));
        book->sheet(1).setFormula(1, 1, QStringLiteral("'表一  工会组织建设状况(1)'!A1"));
        t.setColumnWidth(3, 21.5);
        t.setRowHeight(4, 30);
        t.merge(QStringLiteral("A6:C7"));
        book->setActiveSheet(2);
        auto back = saveAndReopen(*book);
        QCOMPARE(back->sheetCount(), 2);
        Worksheet &b = back->sheet(QStringLiteral("表一  工会组织建设状况(1)"));
        QCOMPARE(b.number(), 2);
        QCOMPARE(b.value(1, 1).toDouble(), 123456789012.0);
        QCOMPARE(b.text(1, 1), QStringLiteral("123456789012"));
        QCOMPARE(b.value(1, 2).toDouble(), 0.1);
        QCOMPARE(b.formula(2, 1), QStringLiteral("A1*2"));
        QCOMPARE(b.columnWidth(3), 21.5);
        QCOMPARE(b.rowHeight(4), 30.0);
        QCOMPARE(b.mergedRanges(), std::vector<CellRange>{CellRange::parse(QStringLiteral("A6:C7"))});
        QCOMPARE(back->activeSheet(), 2);

        // Renaming follows into the formulas that name the sheet; names a
        // spreadsheet refuses are refused here.
        b.setName(QStringLiteral("表一"));
        QCOMPARE(back->sheet(1).formula(1, 1), QStringLiteral("'表一'!A1"));
        for (const QString &bad : {QStringLiteral("封面"), QStringLiteral("a/b"), QString(32, u'x'), QString()})
            QVERIFY_THROWS_EXCEPTION(Error, b.setName(bad));
        QVERIFY_THROWS_EXCEPTION(Error, back->sheet(3));
        QVERIFY_THROWS_EXCEPTION(Error, back->sheet(QStringLiteral("没有")));
    }

    // The summary run's pattern: a placeholder row 9, a total row below it,
    // every later row inserted at row 9.
    void insertRowMovesCellsMergesHeightsAndFormulas()
    {
        auto book = Workbook::create();
        Worksheet &s = book->sheet(1);
        Worksheet &other = book->addSheet(QStringLiteral("Other"));
        s.merge(QStringLiteral("A2:A8"));   // heading: above, stays
        s.merge(QStringLiteral("C7:C9"));   // reaches the place: grows
        s.merge(QStringLiteral("A11:B11")); // note below: moves
        CellFormat boxed;
        boxed.thinBorder = true;
        s.format(QStringLiteral("A9:C9"), boxed);
        s.setRowHeight(9, 20);
        s.setRowHeight(10, 25);
        s.setValue(10, 1, QStringLiteral("合计"));
        s.setFormula(10, 2, QStringLiteral("SUM(B8:B9)"));
        s.setFormula(12, 2, QStringLiteral("B10/2"));
        other.setFormula(1, 1, QStringLiteral("Sheet1!B10+Sheet1!B1"));

        s.setValue(9, 2, QStringLiteral("3"));
        for (const char *v : {"2", "1"}) {
            s.insertRow(9);
            s.setValue(9, 2, QString::fromLatin1(v));
        }

        auto back = saveAndReopen(*book);
        Worksheet &b = back->sheet(1);
        QCOMPARE(b.text(9, 2), QStringLiteral("1"));
        QCOMPARE(b.text(11, 2), QStringLiteral("3"));
        QCOMPARE(b.text(12, 1), QStringLiteral("合计"));
        QCOMPARE(b.formula(12, 2), QStringLiteral("SUM(B8:B11)"));
        QCOMPARE(b.formula(14, 2), QStringLiteral("B12/2"));
        QCOMPARE(back->sheet(2).formula(1, 1), QStringLiteral("Sheet1!B12+Sheet1!B1"));
        const std::vector<CellRange> merges{CellRange::parse(QStringLiteral("A2:A8")),
                                            CellRange::parse(QStringLiteral("C7:C11")),
                                            CellRange::parse(QStringLiteral("A13:B13"))};
        QCOMPARE(b.mergedRanges(), merges);
        QCOMPARE(b.rowHeight(12), 25.0); // the total row's height went with it
        // New rows look like the placeholder row they pushed down.
        QCOMPARE(b.rowHeight(9), 20.0);
        const std::string sheetXml = partOf(path(QStringLiteral("t.xlsx")), QStringLiteral("xl/worksheets/sheet1.xml"));
        QVERIFY(sheetXml.find("<c r=\"A10\" s=\"") != std::string::npos); // blank but bordered
        QVERIFY(sheetXml.find("<dimension ref=\"A1:C14\"/>") != std::string::npos);

        s.setValue(1, 1, QStringLiteral("x"));
        QVERIFY_THROWS_EXCEPTION(Error, s.insertRow(0));
    }

    void deleteSheetRenumbersLaterSheets()
    {
        auto book = Workbook::create();
        for (const char *n : {"二", "三", "四"})
            book->addSheet(QString::fromUtf8(n)).setValue(1, 1, QString::fromUtf8(n));
        book->sheet(QStringLiteral("四")).setFormula(2, 1, QStringLiteral("二!A1&三!A1"));
        book->setActiveSheet(4);
        book->deleteSheet(2);
        QCOMPARE(book->sheetCount(), 3);
        QCOMPARE(book->sheet(2).name(), QStringLiteral("三"));
        QCOMPARE(book->sheet(3).number(), 3);
        QCOMPARE(book->activeSheet(), 3); // still the same sheet
        QCOMPARE(book->sheet(3).formula(2, 1), QStringLiteral("#REF!&三!A1"));

        auto back = saveAndReopen(*book);
        QCOMPARE(back->sheetCount(), 3);
        QCOMPARE(back->sheet(2).text(1, 1), QStringLiteral("三"));
        QCOMPARE(back->sheet(3).text(1, 1), QStringLiteral("四"));
        QVERIFY(!back->findSheet(QStringLiteral("二")));
        back->deleteSheet(3);
        back->deleteSheet(2);
        QVERIFY_THROWS_EXCEPTION(Error, back->deleteSheet(1)); // the last one stays
        QVERIFY_THROWS_EXCEPTION(Error, back->deleteSheet(5));
    }

    void numberFormatsAndFontsAreInTheSavedStyles()
    {
        const QStringList formats{QStringLiteral("@"), QStringLiteral("yyyy-mm-dd"), QStringLiteral("#,##0_ "),
                                  QStringLiteral("￥#,##0.00;￥-#,##0.00")};
        auto book = Workbook::create();
        Worksheet &s = book->sheet(1);
        for (int c = 0; c < formats.size(); ++c) {
            s.setValue(5, c + 1, QStringLiteral("1234.5"));
            s.setColumnNumberFormat(c + 1, formats[c]);
            s.setValue(6, c + 1, QStringLiteral("77")); // written after: takes the column's format
        }
        s.setValue(2, 1, QStringLiteral("导出日期:"));
        s.setBold(2, 1, true);
        s.setFontSize(2, 1, 12);
        s.setHorizontalAlignment(QStringLiteral("A5:A7"), HorizontalAlignment::Left);

        auto back = saveAndReopen(*book);
        Worksheet &b = back->sheet(1);
        for (int c = 0; c < formats.size(); ++c) {
            QCOMPARE(b.numberFormat(5, c + 1), formats[c]);
            QCOMPARE(b.numberFormat(6, c + 1), formats[c]);
        }
        QCOMPARE(b.value(6, 1).typeId(), QMetaType::QString); // "@" column holds texts
        QCOMPARE(b.value(6, 3).typeId(), QMetaType::Double);
        QVERIFY(b.isBold(2, 1));
        QCOMPARE(b.fontSize(2, 1), 12.0);
        QVERIFY(!b.isBold(5, 1));
        QCOMPARE(b.horizontalAlignment(7, 1), HorizontalAlignment::Left);
        QCOMPARE(b.horizontalAlignment(5, 2), HorizontalAlignment::General);

        const QString styles =
            QString::fromStdString(partOf(path(QStringLiteral("t.xlsx")), QStringLiteral("xl/styles.xml")));
        for (const char *code : {"yyyy-mm-dd", "#,##0_ ", "￥#,##0.00;￥-#,##0.00"})
            QVERIFY2(styles.contains(QStringLiteral("formatCode=\"%1\"").arg(QString::fromUtf8(code))), code);
        QVERIFY(styles.contains(QLatin1String("numFmtId=\"49\""))); // "@" is the built-in text format
        QVERIFY(styles.contains(QLatin1String("<b/><sz val=\"12\"/>")));
        QVERIFY(styles.contains(QLatin1String("horizontal=\"left\"")));
    }

    void autoFitCountsChineseDouble()
    {
        auto book = Workbook::create();
        Worksheet &s = book->sheet(1);
        s.setValue(1, 1, QStringLiteral("abcdefgh"));
        s.setValue(1, 2, QStringLiteral("工会组织"));
        s.setValue(2, 2, QStringLiteral("ab"));
        s.setValue(1, 3, QStringLiteral("工会组织建设状况工会组织建设状况")); // merged: ignored
        s.merge(QStringLiteral("C1:D1"));
        s.setValue(2, 3, QStringLiteral("12"));
        s.setColumnWidth(5, 30); // empty: left as it is
        for (int c = 1; c <= 5; ++c)
            s.autoFitColumn(c);
        QCOMPARE(s.columnWidth(2), s.columnWidth(1));
        QVERIFY(s.columnWidth(1) >= 8 && s.columnWidth(1) <= 11);
        QVERIFY(s.columnWidth(3) < 6);
        QCOMPARE(s.columnWidth(5), 30.0);
        s.setFontSize(1, 1, 22);
        s.autoFitColumn(1);
        QVERIFY(s.columnWidth(1) > 1.8 * s.columnWidth(2));
    }

    void templateOpensAsWorkbook()
    {
        auto book = Workbook::open(builtTemplate(QStringLiteral("2009基层以上汇总表.xltx")));
        const QString types = QStringLiteral("[Content_Types].xml");
        QVERIFY(partOf(builtTemplate(QStringLiteral("2009基层以上汇总表.xltx")), types).find("template.main+xml") !=
                std::string::npos);
        book->save(path(QStringLiteral("from-template.xlsx")));
        const std::string saved = partOf(path(QStringLiteral("from-template.xlsx")), types);
        QVERIFY(saved.find("spreadsheetml.sheet.main+xml") != std::string::npos);
        QVERIFY(saved.find("template.main+xml") == std::string::npos);
    }

    void summaryTemplateTotalsCoverInsertedRows_data()
    {
        QTest::addColumn<int>("sheet");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("values");
        const QList<QPair<const char *, int>> sheets{{"表一  工会组织建设状况(1)", 9},
                                                     {"表一  工会组织建设状况(2)", 8},
                                                     {"表二  工会干部协管工作", 13},
                                                     {"表三  工会干部教育培训工作", 8},
                                                     {"表四  工会保障工作(1)", 11},
                                                     {"表四  工会保障工作(2)", 13},
                                                     {"表四  工会保障工作(3)", 11},
                                                     {"表四  工会保障工作(4)", 7},
                                                     {"表四  工会保障工作(5)", 10},
                                                     {"表五  工会法律工作(1)", 11},
                                                     {"表五  工会法律工作(2)", 9},
                                                     {"表五  工会法律工作(3)", 9},
                                                     {"表五  工会法律工作(4)", 10},
                                                     {"表六  工会劳动保护工作", 8},
                                                     {"表七  工会劳动合同、集体合同和民主参与工作", 7},
                                                     {"表八  工会经济技术工作(1)", 7},
                                                     {"表八  工会经济技术工作(2)", 8},
                                                     {"表九  工会经费审查和财务工作(1)", 12},
                                                     {"表九  工会经费审查和财务工作(2)", 11},
                                                     {"表十  工会宣传教育和职工文化体育工作", 7},
                                                     {"表十一  工会国际工作和对外经济技术交流工作", 8},
                                                     {"表十二  开展创建劳动关系和谐企业与工业园区活动(1)", 12},
                                                     {"表十二  开展创建劳动关系和谐企业与工业园区活动(2)", 12},
                                                     {"表十二  开展创建劳动关系和谐企业与工业园区活动(3)", 6}};
        for (int i = 0; i < sheets.size(); ++i)
            QTest::addRow("sheet %d", i + 2) << i + 2 << QString::fromUtf8(sheets[i].first) << sheets[i].second;
    }
    void summaryTemplateTotalsCoverInsertedRows()
    {
        QFETCH(int, sheet);
        QFETCH(QString, title);
        QFETCH(int, values);
        auto book = Workbook::open(builtTemplate(QStringLiteral("2009基层以上汇总表.xltx")));
        QCOMPARE(book->sheetCount(), 25);
        QCOMPARE(book->sheet(1).name(), QStringLiteral("封面"));
        Worksheet &s = book->sheet(sheet);
        QCOMPARE(s.name(), title);
        QCOMPARE(s.text(1, 1), title);
        QVERIFY(s.text(2, 1).isEmpty()); // the caption goes here
        QCOMPARE(s.lastColumn(), values + 1);
        for (int c = 1; c <= values + 1; ++c)
            QVERIFY(s.isBlank(9, c));
        // Three data rows the summary's way: the first into row 9, the others
        // inserted above it.
        for (int i = 0; i < 3; ++i) {
            if (i > 0)
                s.insertRow(9);
            for (int c = 2; c <= values + 1; ++c)
                s.setValue(9, c, QString::number(i + 1));
        }
        auto back = saveAndReopen(*book, QStringLiteral("summary.xlsx"));
        Worksheet &b = back->sheet(sheet);
        QVERIFY(b.text(12, 1).startsWith(QStringLiteral("合")));
        for (int c = 2; c <= values + 1; ++c) {
            const QString col = CellAddress::columnName(c);
            QCOMPARE(b.formula(12, c),
                     QStringLiteral("SUM(%1:%2)").arg(col + QLatin1Char('8'), col + QStringLiteral("11")));
            QCOMPARE(b.value(8, c).typeId() == QMetaType::Double, false); // nothing numeric in the sum's top row
        }
        if (sheet == 3) {
            QCOMPARE(b.text(8, 2), QStringLiteral("是"));
            QCOMPARE(b.text(8, 3), QStringLiteral("否"));
        }
        if (sheet == 23)
            QCOMPARE(b.text(8, 4), QStringLiteral("同级党委政府领导"));
    }

    void damagedOrMissingFilesFailClearly_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << "missing"
                                 << "不存在";
        QTest::newRow("not a zip") << "text"
                                   << "不是工作簿文件";
        QTest::newRow("cut short") << "truncated"
                                   << "无法";
        QTest::newRow("zip without a workbook") << "nowb"
                                                << "不是有效的工作簿";
        QTest::newRow("broken sheet XML") << "badxml"
                                          << "已损坏";
    }
    void damagedOrMissingFilesFailClearly()
    {
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        const QString file = path(kind + QStringLiteral("-模版.xltx"));
        const QString good = builtTemplate(QStringLiteral("2009打印表.xltx"));
        if (kind == QLatin1String("text")) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("this is not a workbook\n");
        } else if (kind == QLatin1String("truncated")) {
            QFile in(good), out(file);
            QVERIFY(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
            out.write(in.read(in.size() / 2));
        } else if (kind != QLatin1String("missing")) {
            std::vector<ZipPackage::Part> parts = ZipPackage::read(good);
            if (kind == QLatin1String("nowb")) {
                std::erase_if(parts, [](const ZipPackage::Part &p) { return p.name == "xl/workbook.xml"; });
            } else {
                for (ZipPackage::Part &p : parts) {
                    if (p.name == QLatin1String("xl/worksheets/sheet2.xml"))
                        p.data.resize(p.data.size() / 2);
                }
            }
            ZipPackage::write(file, parts);
        }
        try {
            Workbook::open(file);
            QFAIL("opened a damaged file");
        } catch (const FileError &e) {
            QVERIFY2(e.text().contains(expected), qPrintable(e.text()));
            QVERIFY2(e.text().contains(QDir::toNativeSeparators(file)), qPrintable(e.text()));
        }
    }

    void unwritableTargetsFailClearly()
    {
        auto book = Workbook::create();
        QVERIFY_THROWS_EXCEPTION(FileError, book->save(path(QStringLiteral("no/such/folder/x.xlsx"))));
        QVERIFY_THROWS_EXCEPTION(FileError, book->save(m_dir.path()));
        QVERIFY_THROWS_EXCEPTION(Error, book->sheet(1).setText(1, 2, QString(40000, u'x')));
    }
};

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_workbook.moc"
