#include "automation/XlsxStreamWriter.h"

#include "automation/CellAddress.h"
#include "automation/CellMeasure.h"
#include "automation/StyleSheet.h"
#include "automation/XmlUtil.h"
#include "automation/ZipWriter.h"
#include "common/Error.h"

#include <QScopeGuard>

#include <algorithm>
#include <cmath>
#include <cstring>

#include <zip.h>
#include <zlib.h>

namespace tq::automation {

namespace {

// Raw XML is compressed in pieces of this size.
constexpr std::size_t kRawChunk = 1 << 20;

const char kContentTypes[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/xl/workbook.xml" )"
    R"(ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
    R"(<Override PartName="/xl/worksheets/sheet1.xml" )"
    R"(ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
    R"(<Override PartName="/xl/styles.xml" )"
    R"(ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>)"
    R"(</Types>)";

const char kRootRels[] = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
                         R"(<Relationship Id="rId1" )"
                         R"(Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" )"
                         R"(Target="xl/workbook.xml"/></Relationships>)";

const char kWorkbookRels[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" )"
    R"(Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" )"
    R"(Target="styles.xml"/></Relationships>)";

const char kSheetSuffix[] =
    R"(</sheetData><pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/>)"
    R"(</worksheet>)";

int digitCount(unsigned long long v)
{
    int n = 1;
    while (v >= 10) {
        v /= 10;
        ++n;
    }
    return n;
}

} // namespace

// What measuring a cell needs to know of its format.
struct XlsxStreamWriter::StyleInfo {
    QString numberFormat = QStringLiteral("General");
    double scale = 1;       // font size against the standard font, bold a little wider
    bool plain = true;      // numbers show as they are
    bool thousands = false; // "#,##0": separators every three digits
    int decimals = 0;
    int extra = 0; // currency sign, trailing blank
    bool date = false;
};

// One raw deflate stream. Streams that end with a sync flush can be followed
// by another stream, which is how the sheet's head, written last, is put in
// front of its rows.
struct XlsxStreamWriter::Deflater {
    z_stream z{};
    std::vector<std::string> blocks; // compressed bytes
    uLong crc = crc32(0, nullptr, 0);
    std::uint64_t rawSize = 0;

    explicit Deflater(int level)
    {
        if (deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw Error(QStringLiteral("无法初始化压缩"));
    }
    ~Deflater() { deflateEnd(&z); }

    void add(const std::string &raw, int flush)
    {
        crc = crc32_z(crc, reinterpret_cast<const Bytef *>(raw.data()), raw.size());
        rawSize += raw.size();
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(raw.data()));
        z.avail_in = uInt(raw.size());
        char out[1 << 16];
        do {
            z.next_out = reinterpret_cast<Bytef *>(out);
            z.avail_out = sizeof out;
            const int rc = deflate(&z, flush);
            if (rc == Z_STREAM_ERROR)
                throw Error(QStringLiteral("压缩数据时出错"));
            const std::size_t got = sizeof out - z.avail_out;
            if (got) {
                if (blocks.empty() || blocks.back().size() + got > (std::size_t(4) << 20)) {
                    blocks.emplace_back();
                    blocks.back().reserve(std::size_t(4) << 20);
                }
                blocks.back().append(out, got);
            }
        } while (z.avail_out == 0 || z.avail_in > 0);
    }
    std::size_t compressedSize() const
    {
        std::size_t n = 0;
        for (const std::string &b : blocks)
            n += b.size();
        return n;
    }
    std::size_t held() const
    {
        std::size_t n = 0;
        for (const std::string &b : blocks)
            n += b.capacity();
        return n;
    }
};

namespace {

// Hands libzip the sheet as already compressed data: head, rows and tail,
// three deflate streams that read as one.
struct PrecompressedSource {
    std::vector<const std::string *> pieces;
    std::size_t piece = 0, offset = 0;
    zip_uint64_t size = 0, compressedSize = 0;
    zip_uint32_t crc = 0;
    zip_error_t error{};

    static zip_int64_t callback(void *state, void *data, zip_uint64_t len, zip_source_cmd_t cmd)
    {
        auto *s = static_cast<PrecompressedSource *>(state);
        switch (cmd) {
        case ZIP_SOURCE_OPEN:
            s->piece = 0;
            s->offset = 0;
            return 0;
        case ZIP_SOURCE_READ: {
            zip_uint64_t done = 0;
            auto *out = static_cast<char *>(data);
            while (done < len && s->piece < s->pieces.size()) {
                const std::string &p = *s->pieces[s->piece];
                const std::size_t n = std::min<std::size_t>(std::size_t(len - done), p.size() - s->offset);
                std::memcpy(out + done, p.data() + s->offset, n);
                done += n;
                s->offset += n;
                if (s->offset == p.size()) {
                    ++s->piece;
                    s->offset = 0;
                }
            }
            return zip_int64_t(done);
        }
        case ZIP_SOURCE_CLOSE:
            return 0;
        case ZIP_SOURCE_STAT: {
            auto *st = static_cast<zip_stat_t *>(data);
            zip_stat_init(st);
            st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC;
            st->size = s->size;
            st->comp_size = s->compressedSize;
            st->comp_method = ZIP_CM_DEFLATE;
            st->crc = s->crc;
            return sizeof(*st);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&s->error, data, len);
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }
};

} // namespace

XlsxStreamWriter::XlsxStreamWriter(QString path)
    : m_path(std::move(path)), m_styleSheet(std::make_unique<StyleSheet>()), m_body(std::make_unique<Deflater>(1))
{
    m_styles.emplace_back();
    m_raw.reserve(kRawChunk + 4096);
}

XlsxStreamWriter::~XlsxStreamWriter() = default;

int XlsxStreamWriter::addStyle(const CellFormat &format)
{
    if (m_started)
        throw Error(QStringLiteral("工作表已经开始写入，不能再增加格式"));
    const int xf = m_styleSheet->derive(0, format);
    if (std::size_t(xf) >= m_styles.size())
        m_styles.resize(std::size_t(xf) + 1);
    StyleInfo &info = m_styles[std::size_t(xf)];
    info = StyleInfo();
    info.numberFormat = m_styleSheet->numberFormat(xf);
    info.scale = m_styleSheet->fontSize(xf) / m_styleSheet->defaultFontSize() * (m_styleSheet->isBold(xf) ? 1.08 : 1);
    const QString first = info.numberFormat.section(u';', 0, 0);
    info.plain = info.numberFormat == QLatin1String("General") || info.numberFormat == QLatin1String("@");
    info.date = first.contains(QLatin1String("yy")) || first.contains(QLatin1String("dd"));
    info.thousands = first.contains(QLatin1String("#,##"));
    if (const qsizetype dot = first.indexOf(u'.'); dot >= 0) {
        for (qsizetype k = dot + 1; k < first.size() && (first[k] == u'0' || first[k] == u'#'); ++k)
            ++info.decimals;
    }
    info.extra = (first.contains(QChar(0xFFE5)) ? 2 : 0) + (first.contains(QLatin1String("_ ")) ? 1 : 0);
    return xf;
}

void XlsxStreamWriter::checkSheetName(const QString &name)
{
    if (name.trimmed().isEmpty())
        throw Error(QStringLiteral("工作表名称不能为空"));
    if (name.size() > 31)
        throw Error(QStringLiteral("工作表名称“%1”超过 31 个字符").arg(name));
    static const QString forbidden = QStringLiteral("[]:*?/\\");
    for (QChar c : name) {
        if (forbidden.contains(c) || c.unicode() < 0x20)
            throw Error(QStringLiteral("工作表名称“%1”含有不允许的字符 %2").arg(name, QString(c)));
    }
    if (name.startsWith(u'\'') || name.endsWith(u'\''))
        throw Error(QStringLiteral("工作表名称“%1”不能以单引号开头或结尾").arg(name));
}

QString XlsxStreamWriter::sheetNameFor(const QString &title)
{
    static const QString forbidden = QStringLiteral("[]:*?/\\");
    QString name;
    for (QChar c : title)
        name += forbidden.contains(c) || c.unicode() < 0x20 ? QChar(u'_') : c;
    name = name.trimmed();
    while (name.startsWith(u'\''))
        name.remove(0, 1);
    if (name.size() > 31) {
        name.truncate(31);
        if (name.back().isHighSurrogate())
            name.chop(1);
    }
    while (name.endsWith(u'\''))
        name.chop(1);
    return name.trimmed().isEmpty() ? QStringLiteral("Sheet1") : name;
}

void XlsxStreamWriter::setSheetName(const QString &name)
{
    checkSheetName(name);
    m_sheetName = name;
}

void XlsxStreamWriter::fitColumns(int first, int last)
{
    m_fitFirst = std::max(1, first);
    m_fitLast = std::min(last, CellAddress::kMaxColumn);
}

void XlsxStreamWriter::beginRow(int row)
{
    if (m_finished)
        throw Error(QStringLiteral("工作簿已经写完"));
    if (m_inRow)
        endRow();
    if (row <= m_row || row > CellAddress::kMaxRow)
        throw Error(QStringLiteral("行号 %1 不能在第 %2 行之后写入").arg(row).arg(m_row));
    m_started = true;
    m_inRow = true;
    m_row = row;
    m_nextColumn = 1;
    m_raw += "<row r=\"";
    XmlUtil::appendInt(m_raw, row);
    m_raw += "\">";
}

void XlsxStreamWriter::endRow()
{
    if (!m_inRow)
        return;
    m_raw += "</row>";
    m_inRow = false;
    if (m_raw.size() >= kRawChunk)
        flushRaw(false);
}

void XlsxStreamWriter::beginCell(int column, int style)
{
    if (!m_inRow)
        throw Error(QStringLiteral("单元格必须写在一行之内"));
    if (column < m_nextColumn || column > CellAddress::kMaxColumn)
        throw Error(QStringLiteral("第 %1 行的第 %2 列不能在此写入").arg(m_row).arg(column));
    if (style < 0 || std::size_t(style) >= m_styles.size())
        throw Error(QStringLiteral("没有第 %1 号单元格格式").arg(style));
    m_raw += "<c";
    // A cell that follows its neighbour needs no address.
    if (column != m_nextColumn) {
        m_raw += " r=\"";
        m_raw += CellAddress::columnName(column).toLatin1().constData();
        XmlUtil::appendInt(m_raw, m_row);
        m_raw += '"';
    }
    if (style) {
        m_raw += " s=\"";
        XmlUtil::appendInt(m_raw, style);
        m_raw += '"';
    }
    m_nextColumn = column + 1;
    m_lastColumn = std::max(m_lastColumn, column);
}

void XlsxStreamWriter::measure(int column, double units, int style)
{
    if (column < m_fitFirst || column > m_fitLast)
        return;
    if (m_widest.size() < std::size_t(column))
        m_widest.resize(std::size_t(column), -1);
    double &w = m_widest[std::size_t(column - 1)];
    w = std::max(w, units * m_styles[std::size_t(style)].scale);
}

void XlsxStreamWriter::addNumber(int column, double value, int style)
{
    if (!std::isfinite(value))
        throw Error(QStringLiteral("第 %1 行第 %2 列的数值无效").arg(m_row).arg(column));
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return addInteger(column, qint64(value), style);
    beginCell(column, style);
    m_raw += "><v>";
    XmlUtil::appendDouble(m_raw, value);
    m_raw += "</v></c>";
    if (column >= m_fitFirst && column <= m_fitLast)
        measure(column, textUnits(shownNumber(value, m_styles[std::size_t(style)].numberFormat)), style);
}

void XlsxStreamWriter::addInteger(int column, qint64 value, int style)
{
    beginCell(column, style);
    m_raw += "><v>";
    XmlUtil::appendInt(m_raw, value);
    m_raw += "</v></c>";
    if (column < m_fitFirst || column > m_fitLast)
        return;
    const StyleInfo &info = m_styles[std::size_t(style)];
    if (info.date) {
        measure(column, 10, style);
        return;
    }
    // What the format shows: digits, separators, decimals, sign and the
    // format's own characters.
    const unsigned long long magnitude =
        value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    const int digits = digitCount(magnitude);
    int units = digits + (value < 0 ? 1 : 0);
    if (!info.plain) {
        if (info.thousands)
            units += (digits - 1) / 3;
        if (info.decimals)
            units += info.decimals + 1;
        units += info.extra;
    }
    measure(column, units, style);
}

void XlsxStreamWriter::addText(int column, const QString &text, int style)
{
    if (text.isEmpty())
        return; // an empty text is an empty cell
    beginCell(column, style);
    const bool keepBlanks = text.front().isSpace() || text.back().isSpace();
    m_raw += keepBlanks ? " t=\"inlineStr\"><is><t xml:space=\"preserve\">" : " t=\"inlineStr\"><is><t>";
    XmlUtil::appendEscaped(m_raw, text, false);
    m_raw += "</t></is></c>";
    if (column >= m_fitFirst && column <= m_fitLast)
        measure(column, textUnits(text), style);
}

void XlsxStreamWriter::flushRaw(bool final)
{
    m_body->add(m_raw, final ? Z_SYNC_FLUSH : Z_NO_FLUSH);
    m_raw.clear();
}

std::string XlsxStreamWriter::sheetPrefix() const
{
    std::string s = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                    R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
                    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)";
    s += "<dimension ref=\"A1";
    if (m_row > 0 && m_lastColumn > 0) {
        s += ':';
        s += CellAddress::columnName(m_lastColumn).toLatin1().constData();
        XmlUtil::appendInt(s, m_row);
    }
    s += R"("/><sheetViews><sheetView tabSelected="1" workbookViewId="0"/></sheetViews>)"
         R"(<sheetFormatPr defaultRowHeight="13.5"/>)";
    std::string cols;
    for (std::size_t i = 0; i < m_widest.size(); ++i) {
        if (m_widest[i] < 0)
            continue;
        // One digit of margin on either side, as the spreadsheet programs leave.
        const double width = std::min(255.0, std::ceil((m_widest[i] + 1.5) * 4) / 4);
        cols += "<col min=\"";
        XmlUtil::appendInt(cols, static_cast<long long>(i + 1));
        cols += "\" max=\"";
        XmlUtil::appendInt(cols, static_cast<long long>(i + 1));
        cols += "\" width=\"";
        XmlUtil::appendDouble(cols, width);
        cols += "\" bestFit=\"1\" customWidth=\"1\"/>";
    }
    if (!cols.empty())
        s += "<cols>" + cols + "</cols>";
    s += "<sheetData>";
    return s;
}

std::string XlsxStreamWriter::workbookXml() const
{
    std::string s = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                    R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
                    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
                    R"(<bookViews><workbookView activeTab="0"/></bookViews><sheets><sheet name=")";
    XmlUtil::appendEscaped(s, m_sheetName, true);
    s += R"(" sheetId="1" r:id="rId1"/></sheets></workbook>)";
    return s;
}

std::size_t XlsxStreamWriter::heldBytes() const
{
    return m_body->held() + m_raw.capacity();
}

void XlsxStreamWriter::finish()
{
    if (m_finished)
        throw Error(QStringLiteral("工作簿已经写完"));
    endRow();
    flushRaw(true);
    m_finished = true;

    // The head (with the fitted widths) and the tail are separate streams;
    // the rows' stream ended on a byte boundary, so the three read as one.
    Deflater head(6), tail(6);
    head.add(sheetPrefix(), Z_SYNC_FLUSH);
    tail.add(std::string(kSheetSuffix), Z_FINISH);
    PrecompressedSource sheet;
    for (const Deflater *d : {&head, m_body.get(), &tail})
        for (const std::string &b : d->blocks)
            sheet.pieces.push_back(&b);
    sheet.size = head.rawSize + m_body->rawSize + tail.rawSize;
    sheet.compressedSize = head.compressedSize() + m_body->compressedSize() + tail.compressedSize();
    uLong crc = crc32_combine(head.crc, m_body->crc, z_off_t(m_body->rawSize));
    sheet.crc = zip_uint32_t(crc32_combine(crc, tail.crc, z_off_t(tail.rawSize)));
    zip_error_init(&sheet.error);
    const auto finiSheetError = qScopeGuard([&] { zip_error_fini(&sheet.error); });

    const std::string contentTypes = kContentTypes, rootRels = kRootRels, workbook = workbookXml(),
                      workbookRels = kWorkbookRels, styles = m_styleSheet->toXml();

    // The package is put together in memory (the sheet is compressed already,
    // so it is about the size of the file) before it is written.
    ZipWriter zip(m_path);
    zip.add(QStringLiteral("[Content_Types].xml"), contentTypes);
    zip.add(QStringLiteral("_rels/.rels"), rootRels);
    zip.add(QStringLiteral("xl/workbook.xml"), workbook);
    zip.add(QStringLiteral("xl/_rels/workbook.xml.rels"), workbookRels);
    zip.add(QStringLiteral("xl/styles.xml"), styles);
    zip.add(QStringLiteral("xl/worksheets/sheet1.xml"), &PrecompressedSource::callback, &sheet);
    zip.close();
    m_body.reset(); // its bytes are in the package now
    zip.commit();
}

} // namespace tq::automation
