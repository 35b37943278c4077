#include "automation/Worksheet.h"

#include "automation/CellMeasure.h"
#include "automation/FormulaReferences.h"
#include "automation/SharedStrings.h"
#include "automation/StyleSheet.h"
#include "automation/Workbook.h"
#include "automation/XmlUtil.h"
#include "common/Error.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace tq::automation {

namespace {

const std::initializer_list<const char *> kSheetOrder = {"sheetPr",
                                                         "dimension",
                                                         "sheetViews",
                                                         "sheetFormatPr",
                                                         "cols",
                                                         "sheetData",
                                                         "sheetCalcPr",
                                                         "sheetProtection",
                                                         "protectedRanges",
                                                         "scenarios",
                                                         "autoFilter",
                                                         "sortState",
                                                         "dataConsolidate",
                                                         "customSheetViews",
                                                         "mergeCells",
                                                         "phoneticPr",
                                                         "conditionalFormatting",
                                                         "dataValidations",
                                                         "hyperlinks",
                                                         "printOptions",
                                                         "pageMargins",
                                                         "pageSetup",
                                                         "headerFooter",
                                                         "rowBreaks",
                                                         "colBreaks",
                                                         "customProperties",
                                                         "cellWatches",
                                                         "ignoredErrors",
                                                         "smartTags",
                                                         "drawing",
                                                         "legacyDrawing",
                                                         "legacyDrawingHF",
                                                         "picture",
                                                         "oleObjects",
                                                         "controls",
                                                         "webPublishItems",
                                                         "tableParts",
                                                         "extLst"};

const char kEmptySheet[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<dimension ref="A1"/><sheetViews><sheetView workbookViewId="0"/></sheetViews>)"
    R"(<sheetFormatPr defaultRowHeight="13.5"/><sheetData/>)"
    R"(<pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/></worksheet>)";

const std::string &columnLetters(int column)
{
    static std::vector<std::string> names(CellAddress::kMaxColumn + 1);
    std::string &n = names[size_t(column)];
    if (n.empty())
        n = CellAddress::columnName(column).toStdString();
    return n;
}

// A plain decimal number as someone types it; codes with leading zeros and
// digit strings beyond a double's precision are not numbers here.
bool parseNumber(const QString &t, double &out)
{
    const qsizetype n = t.size();
    if (n == 0 || n > 40)
        return false;
    qsizetype i = 0;
    if (t[0] == u'+' || t[0] == u'-')
        ++i;
    const qsizetype intStart = i;
    while (i < n && t[i] >= u'0' && t[i] <= u'9')
        ++i;
    const qsizetype intDigits = i - intStart;
    qsizetype fracDigits = 0;
    if (i < n && t[i] == u'.') {
        ++i;
        while (i < n && t[i] >= u'0' && t[i] <= u'9') {
            ++i;
            ++fracDigits;
        }
    }
    if (intDigits + fracDigits == 0)
        return false;
    if (i < n && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < n && (t[i] == u'+' || t[i] == u'-'))
            ++i;
        const qsizetype expStart = i;
        while (i < n && t[i] >= u'0' && t[i] <= u'9')
            ++i;
        if (i == expStart)
            return false;
    }
    if (i != n)
        return false;
    if (intDigits > 1 && t[intStart] == u'0')
        return false;
    int significant = 0;
    bool leading = true;
    for (qsizetype k = intStart; k < intStart + intDigits + (fracDigits ? fracDigits + 1 : 0); ++k) {
        if (t[k] == u'.')
            continue;
        if (leading && t[k] == u'0')
            continue;
        leading = false;
        ++significant;
    }
    if (significant > 15)
        return false;
    bool ok = false;
    out = t.toDouble(&ok);
    return ok && std::isfinite(out);
}

int parseColumnOf(const char *ref)
{
    int col = 0;
    for (const char *p = ref; *p; ++p) {
        const char c = *p;
        if (c >= 'A' && c <= 'Z')
            col = col * 26 + (c - 'A' + 1);
        else if (c >= 'a' && c <= 'z')
            col = col * 26 + (c - 'a' + 1);
        else if (c != '$')
            break;
    }
    return col;
}

QString shiftRangeList(const QString &list, int atRow, int count)
{
    QStringList out;
    for (const QString &part : list.split(u' ', Qt::SkipEmptyParts)) {
        try {
            CellRange r = CellRange::parse(part);
            r.insertRows(atRow, count);
            out << r.toString();
        } catch (const Error &) {
            out << part;
        }
    }
    return out.join(u' ');
}

} // namespace

Worksheet::Worksheet(Workbook *book, QString name) : m_book(book), m_name(std::move(name))
{
}

Worksheet::~Worksheet() = default;

void Worksheet::initEmpty()
{
    XmlUtil::load(m_doc, std::string(kEmptySheet), m_partName);
}

int Worksheet::number() const
{
    return m_book->indexOf(this) + 1;
}

void Worksheet::setName(const QString &name)
{
    m_book->renameSheet(*this, name);
}

// ---------------------------------------------------------------- loading

void Worksheet::load(const std::string &xml, const QString &partName)
{
    XmlUtil::load(m_doc, xml, partName);
    pugi::xml_node root = m_doc.child("worksheet");
    if (!root)
        throw FileError(QStringLiteral("工作簿的组成部分 %1 不是工作表").arg(partName));
    SharedStrings &strings = m_book->sharedStrings();

    pugi::xml_node fmt = root.child("sheetFormatPr");
    m_defaultRowHeight = fmt.attribute("defaultRowHeight").as_double(13.5);
    if (fmt.attribute("defaultColWidth"))
        m_defaultColumnWidth = fmt.attribute("defaultColWidth").as_double();
    else if (fmt.attribute("baseColWidth"))
        m_defaultColumnWidth = fmt.attribute("baseColWidth").as_double() + 0.43;

    for (pugi::xml_node col : root.child("cols").children("col")) {
        const int from = std::clamp(col.attribute("min").as_int(), 1, CellAddress::kMaxColumn);
        const int to = std::clamp(col.attribute("max").as_int(from), from, CellAddress::kMaxColumn);
        Column c;
        c.defined = true;
        c.width = col.attribute("width").as_double(0);
        c.style = col.attribute("style").as_uint();
        c.customWidth = col.attribute("customWidth").as_bool();
        c.hidden = col.attribute("hidden").as_bool();
        c.bestFit = col.attribute("bestFit").as_bool();
        c.outline = std::uint8_t(col.attribute("outlineLevel").as_uint());
        c.collapsed = col.attribute("collapsed").as_bool();
        // A trailing "every other column" entry is stored once, not 16,000 times.
        const int stored = std::min(to, std::max(from, 1024));
        if (m_columns.size() < size_t(stored))
            m_columns.resize(size_t(stored));
        for (int k = from; k <= stored; ++k)
            m_columns[size_t(k - 1)] = c;
    }
    root.remove_child("cols");

    struct SharedMaster {
        QString text;
        int row, column;
    };
    std::map<unsigned, SharedMaster> shared;
    pugi::xml_node data = root.child("sheetData");
    int rowNumber = 0;
    for (pugi::xml_node rowNode : data.children("row")) {
        rowNumber = rowNode.attribute("r").as_int(rowNumber + 1);
        if (rowNumber < 1 || rowNumber > CellAddress::kMaxRow)
            throw FileError(QStringLiteral("工作簿的组成部分 %1 已损坏（行号 %2）").arg(partName).arg(rowNumber));
        if (m_rows.size() < size_t(rowNumber))
            m_rows.resize(size_t(rowNumber));
        Row &row = m_rows[size_t(rowNumber - 1)];
        row.height = rowNode.attribute("ht").as_double(0);
        row.customHeight = rowNode.attribute("customHeight").as_bool() && row.height > 0;
        row.style = rowNode.attribute("s").as_uint();
        row.customFormat = rowNode.attribute("customFormat").as_bool();
        row.hidden = rowNode.attribute("hidden").as_bool();
        row.outline = std::uint8_t(rowNode.attribute("outlineLevel").as_uint());
        row.collapsed = rowNode.attribute("collapsed").as_bool();
        int column = 0;
        for (pugi::xml_node c : rowNode.children("c")) {
            const char *ref = c.attribute("r").value();
            column = *ref ? parseColumnOf(ref) : column + 1;
            if (column < 1 || column > CellAddress::kMaxColumn)
                throw FileError(
                    QStringLiteral("工作簿的组成部分 %1 已损坏（单元格 %2）").arg(partName, QString::fromUtf8(ref)));
            if (row.cells.size() < size_t(column))
                row.cells.resize(size_t(column));
            Cell &cell = row.cells[size_t(column - 1)];
            cell.style = c.attribute("s").as_uint();
            const std::string_view type = c.attribute("t").value();
            const pugi::xml_node v = c.child("v");
            const pugi::xml_node f = c.child("f");
            const QString vText = QString::fromUtf8(v.text().get());
            if (f && std::string_view(f.attribute("t").value()) != "dataTable") {
                Formula formula;
                formula.text = XmlUtil::decodeEscapes(QString::fromUtf8(f.text().get()));
                const std::string_view ft = f.attribute("t").value();
                if (ft == "shared") {
                    const unsigned si = f.attribute("si").as_uint();
                    if (!formula.text.isEmpty()) {
                        shared[si] = {formula.text, rowNumber, column};
                    } else if (const auto m = shared.find(si); m != shared.end()) {
                        formula.text = FormulaReferences::translate(m->second.text, rowNumber - m->second.row,
                                                                    column - m->second.column);
                    }
                } else if (ft == "array") {
                    formula.array = true;
                    try {
                        formula.arrayRange = CellRange::parse(XmlUtil::attr(f, "ref"));
                    } catch (const Error &) {
                        formula.arrayRange = CellRange::single(rowNumber, column);
                    }
                }
                if (type == "b")
                    formula.cached = vText == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
                else if (type == "str" || type == "e")
                    formula.cached = XmlUtil::decodeEscapes(vText);
                else if (v)
                    formula.cached = numberText(v.text().as_double());
                if (!formula.text.isEmpty()) {
                    cell.kind = FormulaCell;
                    cell.ref = std::uint32_t(m_formulas.size());
                    m_formulas.push_back(std::move(formula));
                    ++m_liveFormulas;
                    continue;
                }
            }
            if (type == "s") {
                const unsigned id = v.text().as_uint();
                if (v && id < strings.size()) {
                    cell.kind = Text;
                    cell.ref = id;
                }
            } else if (type == "inlineStr") {
                QString t;
                for (pugi::xml_node part : c.child("is").children()) {
                    if (std::string_view(part.name()) == "t")
                        t += QString::fromUtf8(part.text().get());
                    else if (std::string_view(part.name()) == "r")
                        t += QString::fromUtf8(part.child("t").text().get());
                }
                if (!t.isEmpty()) {
                    cell.kind = Text;
                    cell.ref = strings.add(XmlUtil::decodeEscapes(t));
                }
            } else if (type == "str" || type == "d") {
                if (!vText.isEmpty()) {
                    cell.kind = Text;
                    cell.ref = strings.add(XmlUtil::decodeEscapes(vText));
                }
            } else if (type == "b") {
                if (v) {
                    cell.kind = Boolean;
                    cell.number = v.text().as_int() ? 1 : 0;
                }
            } else if (type == "e") {
                cell.kind = ErrorValue;
                cell.ref = strings.add(vText);
            } else if (v) {
                cell.kind = Number;
                cell.number = v.text().as_double();
            }
        }
    }
    while (data.first_child())
        data.remove_child(data.first_child());

    for (pugi::xml_node m : root.child("mergeCells").children("mergeCell")) {
        try {
            const CellRange r = CellRange::parse(XmlUtil::attr(m, "ref"));
            if (r.first != r.last)
                m_merges.push_back(r);
        } catch (const Error &) {
            // an unreadable merge is dropped rather than the whole workbook
        }
    }
    root.remove_child("mergeCells");
    m_hasRangeAttributes = root.child("conditionalFormatting") || root.child("dataValidations") ||
                           root.child("hyperlinks") || root.child("autoFilter") || root.child("rowBreaks");
}

// ---------------------------------------------------------------- saving

void Worksheet::markStrings(std::vector<bool> &used, std::size_t &references) const
{
    for (const Row &row : m_rows) {
        for (const Cell &c : row.cells) {
            if (c.kind == Text) {
                used[c.ref] = true;
                ++references;
            }
        }
    }
}

std::string Worksheet::toXml(const std::vector<std::uint32_t> &stringIds, bool selected)
{
    if (m_opaque)
        return m_raw;
    pugi::xml_node root = m_doc.child("worksheet");
    SharedStrings &strings = m_book->sharedStrings();

    const int lastR = lastRow(), lastC = lastColumn();
    pugi::xml_node dim = XmlUtil::ensureChild(root, "dimension", kSheetOrder);
    dim.remove_attribute("ref");
    dim.append_attribute("ref").set_value(
        (lastR && lastC ? CellRange::of(1, 1, lastR, lastC).toString() : QStringLiteral("A1")).toUtf8().constData());

    for (pugi::xml_node view : root.child("sheetViews").children("sheetView")) {
        view.remove_attribute("tabSelected");
        if (selected)
            view.append_attribute("tabSelected").set_value(1);
    }

    root.remove_child("cols");
    if (!m_columns.empty()) {
        pugi::xml_node cols;
        for (size_t i = 0; i < m_columns.size();) {
            const Column &c = m_columns[i];
            size_t j = i + 1;
            while (j < m_columns.size() && m_columns[j] == c)
                ++j;
            if (c.defined) {
                if (!cols)
                    cols = XmlUtil::ensureChild(root, "cols", kSheetOrder);
                pugi::xml_node col = cols.append_child("col");
                col.append_attribute("min").set_value(unsigned(i + 1));
                col.append_attribute("max").set_value(unsigned(j));
                col.append_attribute("width").set_value(
                    QByteArray::number(c.width > 0 ? c.width : m_defaultColumnWidth, 'g', 12).constData());
                if (c.style)
                    col.append_attribute("style").set_value(c.style);
                if (c.hidden)
                    col.append_attribute("hidden").set_value(1);
                if (c.bestFit)
                    col.append_attribute("bestFit").set_value(1);
                if (c.customWidth)
                    col.append_attribute("customWidth").set_value(1);
                if (c.outline)
                    col.append_attribute("outlineLevel").set_value(unsigned(c.outline));
                if (c.collapsed)
                    col.append_attribute("collapsed").set_value(1);
            }
            i = j;
        }
    }

    pugi::xml_node data = XmlUtil::ensureChild(root, "sheetData", kSheetOrder);
    while (data.first_attribute())
        data.remove_attribute(data.first_attribute());

    root.remove_child("mergeCells");
    if (!m_merges.empty()) {
        pugi::xml_node mc = XmlUtil::ensureChild(root, "mergeCells", kSheetOrder);
        mc.append_attribute("count").set_value(unsigned(m_merges.size()));
        for (const CellRange &r : m_merges)
            XmlUtil::setAttr(mc.append_child("mergeCell"), "ref", r.toString());
    }

    std::string cells;
    cells.reserve(64 + m_rows.size() * 48);
    cells += "<sheetData>";
    for (size_t ri = 0; ri < m_rows.size(); ++ri) {
        const Row &row = m_rows[ri];
        if (!row.worthWriting())
            continue;
        const long long rowNumber = (long long)ri + 1;
        cells += "<row r=\"";
        XmlUtil::appendInt(cells, rowNumber);
        cells += '"';
        if (row.customFormat) {
            cells += " s=\"";
            XmlUtil::appendInt(cells, row.style);
            cells += "\" customFormat=\"1\"";
        }
        if (row.customHeight) {
            cells += " ht=\"";
            XmlUtil::appendDouble(cells, row.height);
            cells += "\" customHeight=\"1\"";
        }
        if (row.hidden)
            cells += " hidden=\"1\"";
        if (row.outline) {
            cells += " outlineLevel=\"";
            XmlUtil::appendInt(cells, row.outline);
            cells += '"';
        }
        if (row.collapsed)
            cells += " collapsed=\"1\"";
        cells += '>';
        for (size_t ci = 0; ci < row.cells.size(); ++ci) {
            const Cell &c = row.cells[ci];
            if (!c.exists())
                continue;
            cells += "<c r=\"";
            cells += columnLetters(int(ci + 1));
            XmlUtil::appendInt(cells, rowNumber);
            cells += '"';
            if (c.style) {
                cells += " s=\"";
                XmlUtil::appendInt(cells, c.style);
                cells += '"';
            }
            switch (c.kind) {
            case Blank:
                cells += "/>";
                break;
            case Number:
                cells += "><v>";
                XmlUtil::appendDouble(cells, c.number);
                cells += "</v></c>";
                break;
            case Text:
                cells += " t=\"s\"><v>";
                XmlUtil::appendInt(cells, stringIds[c.ref]);
                cells += "</v></c>";
                break;
            case Boolean:
                cells += c.number != 0 ? " t=\"b\"><v>1</v></c>" : " t=\"b\"><v>0</v></c>";
                break;
            case ErrorValue:
                cells += " t=\"e\"><v>";
                XmlUtil::appendEscaped(cells, strings.text(c.ref));
                cells += "</v></c>";
                break;
            case FormulaCell: {
                // No stored result: the file asks to be calculated on opening,
                // so the sums are right after rows were added.
                const Formula &f = m_formulas[c.ref];
                if (f.array) {
                    cells += "><f t=\"array\" ref=\"";
                    cells += f.arrayRange.toString().toStdString();
                    cells += "\">";
                } else {
                    cells += "><f>";
                }
                XmlUtil::appendEscaped(cells, f.text);
                cells += "</f></c>";
                break;
            }
            }
        }
        cells += "</row>";
    }
    cells += "</sheetData>";

    std::string xml = XmlUtil::toBytes(m_doc);
    static const char kMarker[] = "<sheetData/>";
    const size_t at = xml.find(kMarker);
    if (at == std::string::npos)
        throw Error(QStringLiteral("工作表 %1 无法写出").arg(m_name));
    xml.replace(at, sizeof kMarker - 1, cells);
    return xml;
}

// ---------------------------------------------------------------- cells

void Worksheet::check(int row, int column)
{
    if (!CellAddress::isValid(row, column))
        throw Error(QStringLiteral("单元格位置（第 %1 行，第 %2 列）超出工作表的范围").arg(row).arg(column));
}

const Worksheet::Cell *Worksheet::cellAt(int row, int column) const
{
    if (row < 1 || column < 1 || size_t(row) > m_rows.size())
        return nullptr;
    const Row &r = m_rows[size_t(row - 1)];
    if (size_t(column) > r.cells.size())
        return nullptr;
    return &r.cells[size_t(column - 1)];
}

Worksheet::Cell &Worksheet::cellForWrite(int row, int column)
{
    if (m_opaque)
        throw Error(QStringLiteral("“%1”不是普通工作表，不能写入单元格").arg(m_name));
    check(row, column);
    if (m_rows.size() < size_t(row))
        m_rows.resize(size_t(row));
    Row &r = m_rows[size_t(row - 1)];
    if (r.cells.size() < size_t(column))
        r.cells.resize(size_t(column));
    Cell &c = r.cells[size_t(column - 1)];
    if (!c.exists()) {
        // A new cell takes the row's format, else the column's, as in the
        // spreadsheet program itself.
        if (r.customFormat)
            c.style = r.style;
        else if (size_t(column) <= m_columns.size() && m_columns[size_t(column - 1)].defined)
            c.style = m_columns[size_t(column - 1)].style;
    }
    return c;
}

Worksheet::Column &Worksheet::columnForWrite(int column)
{
    check(1, column);
    if (m_columns.size() < size_t(column))
        m_columns.resize(size_t(column));
    Column &c = m_columns[size_t(column - 1)];
    c.defined = true;
    return c;
}

QString Worksheet::text(int row, int column) const
{
    const Cell *c = cellAt(row, column);
    if (!c)
        return {};
    switch (c->kind) {
    case Blank:
        return {};
    case Number:
        return numberText(c->number);
    case Text:
    case ErrorValue:
        return m_book->sharedStrings().text(c->ref);
    case Boolean:
        return c->number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case FormulaCell:
        return m_formulas[c->ref].cached;
    }
    return {};
}

QString Worksheet::text(const QString &address) const
{
    const CellAddress a = CellAddress::parse(address);
    return text(a.row, a.column);
}

QVariant Worksheet::value(int row, int column) const
{
    const Cell *c = cellAt(row, column);
    if (!c || c->kind == Blank)
        return {};
    if (c->kind == Number)
        return c->number;
    if (c->kind == Boolean)
        return c->number != 0;
    const QString t = text(row, column);
    return t.isEmpty() ? QVariant() : QVariant(t);
}

QString Worksheet::formula(int row, int column) const
{
    const Cell *c = cellAt(row, column);
    return c && c->kind == FormulaCell ? m_formulas[c->ref].text : QString();
}

bool Worksheet::isBlank(int row, int column) const
{
    const Cell *c = cellAt(row, column);
    return !c || c->kind == Blank;
}

int Worksheet::lastRow() const
{
    for (size_t i = m_rows.size(); i > 0; --i) {
        for (const Cell &c : m_rows[i - 1].cells) {
            if (c.exists())
                return int(i);
        }
    }
    return 0;
}

int Worksheet::lastColumn() const
{
    size_t best = 0;
    for (const Row &r : m_rows) {
        for (size_t i = r.cells.size(); i > best; --i) {
            if (r.cells[i - 1].exists()) {
                best = i;
                break;
            }
        }
    }
    return int(best);
}

void Worksheet::dropFormula(Cell &cell)
{
    if (cell.kind != FormulaCell)
        return;
    Formula &f = m_formulas[cell.ref];
    f.live = false;
    f.text.clear();
    f.cached.clear();
    --m_liveFormulas;
}

void Worksheet::setCellValueText(Cell &cell, const QString &text)
{
    dropFormula(cell);
    if (text.isEmpty()) {
        cell.kind = Blank;
        return;
    }
    double number = 0;
    if (!m_book->styleSheet().isTextFormat(int(cell.style)) && parseNumber(text, number)) {
        cell.kind = Number;
        cell.number = number;
        return;
    }
    if (text.size() > 32767)
        throw Error(QStringLiteral("单元格的文本超过 32767 个字符，无法写入"));
    cell.kind = Text;
    cell.ref = m_book->sharedStrings().add(text);
}

void Worksheet::setValue(int row, int column, const QString &text)
{
    setCellValueText(cellForWrite(row, column), text);
}

void Worksheet::setValue(const QString &address, const QString &text)
{
    const CellRange r = CellRange::parse(address);
    for (int row = r.first.row; row <= r.last.row; ++row) {
        for (int col = r.first.column; col <= r.last.column; ++col)
            setValue(row, col, text);
    }
}

void Worksheet::setText(int row, int column, const QString &text)
{
    if (text.size() > 32767)
        throw Error(QStringLiteral("单元格的文本超过 32767 个字符，无法写入"));
    Cell &c = cellForWrite(row, column);
    dropFormula(c);
    if (text.isEmpty()) {
        c.kind = Blank;
        return;
    }
    c.kind = Text;
    c.ref = m_book->sharedStrings().add(text);
}

void Worksheet::setNumber(int row, int column, double value)
{
    if (!std::isfinite(value))
        throw Error(QStringLiteral("第 %1 行第 %2 列的数值无效").arg(row).arg(column));
    Cell &c = cellForWrite(row, column);
    dropFormula(c);
    c.kind = Number;
    c.number = value;
}

void Worksheet::setFormula(int row, int column, const QString &formulaText)
{
    QString f = formulaText.trimmed();
    if (f.startsWith(u'='))
        f.remove(0, 1);
    Cell &c = cellForWrite(row, column);
    if (f.isEmpty()) {
        dropFormula(c);
        c.kind = Blank;
        return;
    }
    if (c.kind == FormulaCell) {
        Formula &existing = m_formulas[c.ref];
        existing.text = f;
        existing.cached.clear();
        existing.array = false;
        return;
    }
    c.kind = FormulaCell;
    c.ref = std::uint32_t(m_formulas.size());
    Formula formula;
    formula.text = f;
    m_formulas.push_back(std::move(formula));
    ++m_liveFormulas;
}

void Worksheet::clear(int row, int column)
{
    if (!cellAt(row, column))
        return;
    Cell &c = cellForWrite(row, column);
    dropFormula(c);
    c.kind = Blank;
}

// ---------------------------------------------------------------- formats

void Worksheet::format(const CellRange &range, const CellFormat &change)
{
    StyleSheet &styles = m_book->styleSheet();
    std::uint32_t lastIn = UINT32_MAX, lastOut = 0;
    for (int row = range.first.row; row <= range.last.row; ++row) {
        for (int col = range.first.column; col <= range.last.column; ++col) {
            Cell &c = cellForWrite(row, col);
            if (c.style != lastIn) {
                lastIn = c.style;
                lastOut = std::uint32_t(styles.derive(int(c.style), change));
            }
            c.style = lastOut;
        }
    }
}

void Worksheet::setFontSize(int row, int column, double points)
{
    CellFormat f;
    f.fontSize = points;
    format(CellRange::single(row, column), f);
}

void Worksheet::setBold(int row, int column, bool bold)
{
    CellFormat f;
    f.bold = bold;
    format(CellRange::single(row, column), f);
}

void Worksheet::setNumberFormat(int row, int column, const QString &code)
{
    CellFormat f;
    f.numberFormat = code;
    format(CellRange::single(row, column), f);
}

void Worksheet::setColumnNumberFormat(int column, const QString &code)
{
    if (m_opaque)
        throw Error(QStringLiteral("“%1”不是普通工作表").arg(m_name));
    CellFormat f;
    f.numberFormat = code;
    StyleSheet &styles = m_book->styleSheet();
    Column &col = columnForWrite(column);
    col.style = std::uint32_t(styles.derive(int(col.style), f));
    std::uint32_t lastIn = UINT32_MAX, lastOut = 0;
    for (Row &r : m_rows) {
        if (r.cells.size() < size_t(column))
            continue;
        Cell &c = r.cells[size_t(column - 1)];
        if (!c.exists())
            continue;
        if (c.style != lastIn) {
            lastIn = c.style;
            lastOut = std::uint32_t(styles.derive(int(c.style), f));
        }
        c.style = lastOut;
    }
}

void Worksheet::setHorizontalAlignment(const QString &range, HorizontalAlignment alignment)
{
    CellFormat f;
    f.horizontal = alignment;
    format(CellRange::parse(range), f);
}

QString Worksheet::numberFormat(int row, int column) const
{
    const Cell *c = cellAt(row, column);
    return m_book->styleSheet().numberFormat(c ? int(c->style) : 0);
}

double Worksheet::fontSize(int row, int column) const
{
    const Cell *c = cellAt(row, column);
    return m_book->styleSheet().fontSize(c ? int(c->style) : 0);
}

bool Worksheet::isBold(int row, int column) const
{
    const Cell *c = cellAt(row, column);
    return m_book->styleSheet().isBold(c ? int(c->style) : 0);
}

HorizontalAlignment Worksheet::horizontalAlignment(int row, int column) const
{
    const Cell *c = cellAt(row, column);
    return m_book->styleSheet().horizontal(c ? int(c->style) : 0);
}

// ---------------------------------------------------------------- layout

void Worksheet::merge(const QString &range)
{
    merge(CellRange::parse(range));
}

void Worksheet::merge(const CellRange &range)
{
    if (range.first == range.last)
        return;
    for (const CellRange &m : m_merges) {
        if (m.intersects(range))
            throw Error(QStringLiteral("合并区域 %1 与已合并的 %2 重叠").arg(range.toString(), m.toString()));
    }
    m_merges.push_back(range);
}

void Worksheet::setColumnWidth(int column, double width)
{
    Column &c = columnForWrite(column);
    c.width = std::clamp(width, 0.0, 255.0);
    c.customWidth = true;
    c.bestFit = false;
}

double Worksheet::columnWidth(int column) const
{
    if (column >= 1 && size_t(column) <= m_columns.size()) {
        const Column &c = m_columns[size_t(column - 1)];
        if (c.defined && c.width > 0)
            return c.width;
    }
    return m_defaultColumnWidth;
}

double Worksheet::displayWidth(const Cell &cell) const
{
    const StyleSheet &styles = m_book->styleSheet();
    double units = 0;
    switch (cell.kind) {
    case Blank:
        return 0;
    case Number:
        units = textUnits(shownNumber(cell.number, styles.numberFormat(int(cell.style))));
        break;
    case Boolean:
        units = 5;
        break;
    case Text:
    case ErrorValue:
        units = textUnits(m_book->sharedStrings().text(cell.ref));
        break;
    case FormulaCell:
        units = textUnits(m_formulas[cell.ref].cached);
        break;
    }
    double scale = styles.fontSize(int(cell.style)) / styles.defaultFontSize();
    if (styles.isBold(int(cell.style)))
        scale *= 1.08;
    return units * scale;
}

void Worksheet::autoFitColumn(int column)
{
    check(1, column);
    std::vector<CellRange> merged;
    for (const CellRange &m : m_merges) {
        if (column >= m.first.column && column <= m.last.column)
            merged.push_back(m);
    }
    double best = 0;
    bool any = false;
    for (size_t ri = 0; ri < m_rows.size(); ++ri) {
        const Row &r = m_rows[ri];
        if (r.cells.size() < size_t(column))
            continue;
        const Cell &c = r.cells[size_t(column - 1)];
        if (c.kind == Blank)
            continue;
        const int rowNumber = int(ri + 1);
        if (std::any_of(merged.begin(), merged.end(),
                        [&](const CellRange &m) { return m.contains(rowNumber, column); }))
            continue;
        best = std::max(best, displayWidth(c));
        any = true;
    }
    if (!any)
        return;
    // One digit of margin on either side, as the spreadsheet programs leave.
    setColumnWidth(column, std::min(255.0, std::ceil((best + 1.5) * 4) / 4));
}

void Worksheet::setRowHeight(int row, double points)
{
    if (m_opaque)
        throw Error(QStringLiteral("“%1”不是普通工作表").arg(m_name));
    check(row, 1);
    if (m_rows.size() < size_t(row))
        m_rows.resize(size_t(row));
    Row &r = m_rows[size_t(row - 1)];
    r.height = std::clamp(points, 0.0, 409.0);
    r.customHeight = true;
}

double Worksheet::rowHeight(int row) const
{
    if (row >= 1 && size_t(row) <= m_rows.size() && m_rows[size_t(row - 1)].customHeight)
        return m_rows[size_t(row - 1)].height;
    return m_defaultRowHeight;
}

void Worksheet::insertRow(int row, int count)
{
    if (m_opaque)
        throw Error(QStringLiteral("“%1”不是普通工作表，不能插入行").arg(m_name));
    check(row, 1);
    if (count < 1)
        return;
    const int last = lastRow();
    if (last >= row && last + count > CellAddress::kMaxRow)
        throw Error(QStringLiteral("在工作表 %1 中插入行后，内容将超出工作表的最后一行").arg(m_name));
    if (size_t(row) <= m_rows.size()) {
        // The new rows look like the row they push down: a template's
        // placeholder row lends its borders and formats to every data row.
        const Row &pushed = m_rows[size_t(row - 1)];
        Row blank;
        blank.height = pushed.height;
        blank.customHeight = pushed.customHeight;
        blank.style = pushed.style;
        blank.customFormat = pushed.customFormat;
        for (size_t i = 0; i < pushed.cells.size(); ++i) {
            if (pushed.cells[i].style) {
                blank.cells.resize(i + 1);
                blank.cells[i].style = pushed.cells[i].style;
            }
        }
        m_rows.insert(m_rows.begin() + (row - 1), size_t(count), blank);
        if (m_rows.size() > size_t(CellAddress::kMaxRow))
            m_rows.resize(size_t(CellAddress::kMaxRow));
    }
    for (CellRange &m : m_merges)
        m.insertRows(row, count);
    m_book->rowsInserted(*this, row, count);
}

void Worksheet::adjustForInsertedRows(const QString &sheet, int atRow, int count)
{
    const bool mine = sheet.compare(m_name, Qt::CaseInsensitive) == 0;
    if (m_liveFormulas > 0) {
        // Formulas of other sheets can only point here through the name.
        const bool quick = !sheet.contains(u'\'');
        for (Formula &f : m_formulas) {
            if (!f.live)
                continue;
            if (!mine && quick && !f.text.contains(sheet, Qt::CaseInsensitive))
                continue;
            f.text = FormulaReferences::insertRows(f.text, m_name, sheet, atRow, count);
            if (mine && f.array)
                f.arrayRange.insertRows(atRow, count);
        }
    }
    if (!mine || !m_hasRangeAttributes)
        return;
    pugi::xml_node root = m_doc.child("worksheet");
    auto shiftAttr = [&](pugi::xml_node n, const char *name) {
        if (pugi::xml_attribute a = n.attribute(name))
            a.set_value(shiftRangeList(QString::fromUtf8(a.value()), atRow, count).toUtf8().constData());
    };
    auto shiftFormulaText = [&](pugi::xml_node n) {
        if (!n)
            return;
        const QString t = QString::fromUtf8(n.text().get());
        n.text().set(FormulaReferences::insertRows(t, m_name, sheet, atRow, count).toUtf8().constData());
    };
    for (pugi::xml_node cf : root.children("conditionalFormatting")) {
        shiftAttr(cf, "sqref");
        for (pugi::xml_node rule : cf.children("cfRule")) {
            for (pugi::xml_node f : rule.children("formula"))
                shiftFormulaText(f);
        }
    }
    for (pugi::xml_node dv : root.child("dataValidations").children("dataValidation")) {
        shiftAttr(dv, "sqref");
        shiftFormulaText(dv.child("formula1"));
        shiftFormulaText(dv.child("formula2"));
    }
    for (pugi::xml_node h : root.child("hyperlinks").children("hyperlink"))
        shiftAttr(h, "ref");
    shiftAttr(root.child("autoFilter"), "ref");
    for (pugi::xml_node brk : root.child("rowBreaks").children("brk")) {
        // A break after row id moves with the row it follows.
        const int id = brk.attribute("id").as_int();
        if (id >= atRow)
            brk.attribute("id").set_value(id + count);
    }
}

void Worksheet::adjustForRename(const QString &oldName, const QString &newName)
{
    for (Formula &f : m_formulas) {
        if (f.live && f.text.contains(u'!'))
            f.text = FormulaReferences::renameSheet(f.text, oldName, newName);
    }
}

void Worksheet::adjustForDroppedSheet(const QString &name)
{
    for (Formula &f : m_formulas) {
        if (f.live && f.text.contains(u'!'))
            f.text = FormulaReferences::dropSheet(f.text, name);
    }
}

void Worksheet::setPageSetup(const PageSetup &s)
{
    if (m_opaque)
        throw Error(QStringLiteral("“%1”不是普通工作表").arg(m_name));
    pugi::xml_node root = m_doc.child("worksheet");
    const bool fit = s.fitToWidth > 0 || s.fitToHeight > 0;
    pugi::xml_node sheetPr = XmlUtil::ensureChild(root, "sheetPr", kSheetOrder);
    pugi::xml_node fitPr = XmlUtil::ensureChild(sheetPr, "pageSetUpPr", {"tabColor", "outlinePr", "pageSetUpPr"});
    fitPr.remove_attribute("fitToPage");
    if (fit)
        fitPr.append_attribute("fitToPage").set_value(1);

    root.remove_child("printOptions");
    if (s.centerHorizontally)
        XmlUtil::ensureChild(root, "printOptions", kSheetOrder).append_attribute("horizontalCentered").set_value(1);

    pugi::xml_node margins = XmlUtil::ensureChild(root, "pageMargins", kSheetOrder);
    const std::pair<const char *, double> values[] = {{"left", s.left},     {"right", s.right},   {"top", s.top},
                                                      {"bottom", s.bottom}, {"header", s.header}, {"footer", s.footer}};
    for (const auto &[name, v] : values) {
        margins.remove_attribute(name);
        margins.append_attribute(name).set_value(QByteArray::number(v).constData());
    }

    pugi::xml_node page = XmlUtil::ensureChild(root, "pageSetup", kSheetOrder);
    for (const char *a : {"paperSize", "orientation", "fitToWidth", "fitToHeight"})
        page.remove_attribute(a);
    page.prepend_attribute("paperSize").set_value(s.paperSize);
    page.append_attribute("orientation")
        .set_value(s.orientation == PageSetup::Orientation::Landscape ? "landscape" : "portrait");
    if (fit) {
        page.append_attribute("fitToWidth").set_value(s.fitToWidth);
        page.append_attribute("fitToHeight").set_value(s.fitToHeight);
    }

    root.remove_child("headerFooter");
    if (!s.centerHeader.isEmpty() || !s.centerFooter.isEmpty()) {
        pugi::xml_node hf = XmlUtil::ensureChild(root, "headerFooter", kSheetOrder);
        if (!s.centerHeader.isEmpty())
            hf.append_child("oddHeader").text().set(("&C" + s.centerHeader).toUtf8().constData());
        if (!s.centerFooter.isEmpty())
            hf.append_child("oddFooter").text().set(("&C" + s.centerFooter).toUtf8().constData());
    }
}

} // namespace tq::automation
