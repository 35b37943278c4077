#include "automation/StyleSheet.h"

#include "automation/XmlUtil.h"
#include "common/Error.h"

namespace tq::automation {

namespace {

const std::initializer_list<const char *> kStyleOrder = {"numFmts",      "fonts",   "fills",      "borders",
                                                         "cellStyleXfs", "cellXfs", "cellStyles", "dxfs",
                                                         "tableStyles",  "colors",  "extLst"};

const char kDefaultStyles[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<fonts count="1"><font><sz val="11"/><name val="宋体"/><family val="3"/><charset val="134"/></font></fonts>)"
    R"(<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>)"
    R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
    R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
    R"(<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>)"
    R"(<cellStyles count="1"><cellStyle name="常规" xfId="0" builtinId="0"/></cellStyles>)"
    R"(<dxfs count="0"/><tableStyles count="0" defaultTableStyle="TableStyleMedium2" defaultPivotStyle="PivotStyleLight16"/>)"
    R"(</styleSheet>)";

// The number formats every spreadsheet program knows by number.
const QMap<int, QString> &builtinFormats()
{
    static const QMap<int, QString> formats{
        {0, QStringLiteral("General")},        {1, QStringLiteral("0")},         {2, QStringLiteral("0.00")},
        {3, QStringLiteral("#,##0")},          {4, QStringLiteral("#,##0.00")},  {9, QStringLiteral("0%")},
        {10, QStringLiteral("0.00%")},         {11, QStringLiteral("0.00E+00")}, {12, QStringLiteral("# ?/?")},
        {13, QStringLiteral("# ?\?/?\?")},     {14, QStringLiteral("m/d/yyyy")}, {15, QStringLiteral("d-mmm-yy")},
        {16, QStringLiteral("d-mmm")},         {17, QStringLiteral("mmm-yy")},   {18, QStringLiteral("h:mm AM/PM")},
        {19, QStringLiteral("h:mm:ss AM/PM")}, {20, QStringLiteral("h:mm")},     {21, QStringLiteral("h:mm:ss")},
        {22, QStringLiteral("m/d/yyyy h:mm")}, {45, QStringLiteral("mm:ss")},    {46, QStringLiteral("[h]:mm:ss")},
        {47, QStringLiteral("mm:ss.0")},       {48, QStringLiteral("##0.0E+0")}, {49, QStringLiteral("@")}};
    return formats;
}

// Ids below 164 whose codes are fixed everywhere and may be looked up by code.
bool reusableBuiltin(int id)
{
    return id <= 4 || id == 9 || id == 10 || id == 11 || id == 49;
}

pugi::xml_node firstElement(pugi::xml_document &doc)
{
    return doc.first_child();
}

std::string thinBorderXml()
{
    std::string s = "<border>";
    for (const char *edge : {"left", "right", "top", "bottom"})
        s += std::string("<") + edge + " style=\"thin\"><color indexed=\"64\"/></" + edge + ">";
    return s + "<diagonal/></border>";
}

} // namespace

int StyleSheet::Table::intern(std::string xml)
{
    const auto it = index.find(xml);
    if (it != index.end())
        return it->second;
    const int id = int(items.size());
    index.emplace(xml, id);
    items.push_back(std::move(xml));
    return id;
}

StyleSheet::StyleSheet()
{
    XmlUtil::load(m_doc, std::string(kDefaultStyles), QStringLiteral("styles"));
    loadTables();
}

StyleSheet::StyleSheet(const std::string &xml, const QString &partName)
{
    XmlUtil::load(m_doc, xml, partName);
    if (!m_doc.child("styleSheet"))
        throw FileError(QStringLiteral("工作簿的组成部分 %1 不是样式表").arg(partName));
    loadTables();
}

void StyleSheet::loadTables()
{
    pugi::xml_node root = m_doc.child("styleSheet");
    for (pugi::xml_node f : root.child("numFmts").children("numFmt")) {
        const int id = f.attribute("numFmtId").as_int();
        const QString code = XmlUtil::attr(f, "formatCode");
        m_customFormats.insert(id, code);
        if (!m_formatIds.contains(code))
            m_formatIds.insert(code, id);
    }
    // Entries are taken one by one (never merged), so the numbers cells use
    // keep meaning what they meant.
    auto load = [&root](Table &t, const char *container, const char *item, const char *fallback) {
        for (pugi::xml_node n : root.child(container).children(item)) {
            std::string xml = XmlUtil::toString(n);
            t.index.emplace(xml, int(t.items.size()));
            t.items.push_back(std::move(xml));
        }
        if (t.items.empty())
            t.intern(fallback);
    };
    load(m_fonts, "fonts", "font", "<font><sz val=\"11\"/><name val=\"宋体\"/><charset val=\"134\"/></font>");
    load(m_fills, "fills", "fill", "<fill><patternFill patternType=\"none\"/></fill>");
    if (m_fills.items.size() < 2)
        m_fills.intern("<fill><patternFill patternType=\"gray125\"/></fill>");
    load(m_borders, "borders", "border", "<border><left/><right/><top/><bottom/><diagonal/></border>");
    load(m_xfs, "cellXfs", "xf", "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>");
    for (const std::string &x : m_xfs.items)
        m_info.push_back(describe(x));
    {
        pugi::xml_document d;
        d.load_string(m_fonts.items.front().c_str());
        m_defaultFontSize = d.first_child().child("sz").attribute("val").as_double(11);
    }
}

StyleSheet::Info StyleSheet::describe(const std::string &xfXml) const
{
    Info i;
    pugi::xml_document d;
    d.load_string(xfXml.c_str());
    pugi::xml_node xf = d.first_child();
    i.numFmt = xf.attribute("numFmtId").as_int();
    i.text = numberFormat(-1 - i.numFmt) == QLatin1String("@");
    const size_t font = xf.attribute("fontId").as_uint();
    if (font < m_fonts.items.size()) {
        pugi::xml_document fd;
        fd.load_string(m_fonts.items[font].c_str());
        pugi::xml_node f = fd.first_child();
        i.fontSize = f.child("sz").attribute("val").as_double(11);
        pugi::xml_node b = f.child("b");
        i.bold = b && b.attribute("val").as_bool(true);
    }
    const size_t border = xf.attribute("borderId").as_uint();
    if (border < m_borders.items.size())
        i.border = m_borders.items[border].find("style=") != std::string::npos;
    pugi::xml_node al = xf.child("alignment");
    const QString h = XmlUtil::attr(al, "horizontal");
    i.horizontal = h == QLatin1String("left")     ? HorizontalAlignment::Left
                   : h == QLatin1String("center") ? HorizontalAlignment::Center
                   : h == QLatin1String("right")  ? HorizontalAlignment::Right
                                                  : HorizontalAlignment::General;
    i.wrap = al.attribute("wrapText").as_bool(false);
    return i;
}

const StyleSheet::Info &StyleSheet::info(int xf) const
{
    static const Info none;
    return xf >= 0 && size_t(xf) < m_info.size() ? m_info[size_t(xf)] : none;
}

QString StyleSheet::numberFormat(int xf) const
{
    // Negative numbers name a format id directly (used while describing).
    const int id = xf < 0 ? -1 - xf : info(xf).numFmt;
    if (m_customFormats.contains(id))
        return m_customFormats.value(id);
    return builtinFormats().value(id, QStringLiteral("General"));
}

int StyleSheet::numberFormatId(const QString &code)
{
    if (code.isEmpty() || code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
        return 0;
    if (m_formatIds.contains(code))
        return m_formatIds.value(code);
    for (auto it = builtinFormats().cbegin(); it != builtinFormats().cend(); ++it) {
        if (reusableBuiltin(it.key()) && it.value() == code)
            return it.key();
    }
    int id = 164;
    while (m_customFormats.contains(id))
        ++id;
    m_customFormats.insert(id, code);
    m_formatIds.insert(code, id);
    return id;
}

int StyleSheet::internXf(std::string xml)
{
    const size_t before = m_xfs.items.size();
    const int id = m_xfs.intern(std::move(xml));
    if (m_xfs.items.size() > before)
        m_info.push_back(describe(m_xfs.items.back()));
    return id;
}

int StyleSheet::derive(int xf, const CellFormat &change)
{
    if (xf < 0 || xf >= count())
        xf = 0;
    const QString key = QString::number(xf) + QLatin1Char('|') + change.key();
    if (const auto it = m_derived.constFind(key); it != m_derived.cend())
        return it.value();

    pugi::xml_document d;
    d.load_string(m_xfs.items[size_t(xf)].c_str());
    pugi::xml_node node = firstElement(d);
    auto setInt = [&node](const char *name, int v) {
        pugi::xml_attribute a = node.attribute(name);
        if (!a)
            a = node.append_attribute(name);
        a.set_value(v);
    };

    if (change.fontSize || change.bold || change.fontName) {
        const size_t fontId = node.attribute("fontId").as_uint();
        pugi::xml_document fd;
        fd.load_string(m_fonts.items[fontId < m_fonts.items.size() ? fontId : 0].c_str());
        pugi::xml_node font = fd.first_child();
        if (change.fontSize) {
            pugi::xml_node sz = font.child("sz");
            if (!sz)
                sz = font.append_child("sz");
            sz.remove_attribute("val");
            sz.append_attribute("val").set_value(*change.fontSize);
        }
        if (change.bold) {
            while (pugi::xml_node b = font.child("b"))
                font.remove_child(b);
            if (*change.bold)
                font.prepend_child("b");
        }
        if (change.fontName) {
            pugi::xml_node name = font.child("name");
            if (!name)
                name = font.append_child("name");
            XmlUtil::setAttr(name, "val", *change.fontName);
        }
        setInt("fontId", m_fonts.intern(XmlUtil::toString(font)));
        setInt("applyFont", 1);
    }
    if (change.numberFormat) {
        setInt("numFmtId", numberFormatId(*change.numberFormat));
        setInt("applyNumberFormat", 1);
    }
    if (change.thinBorder) {
        setInt("borderId", *change.thinBorder ? m_borders.intern(thinBorderXml()) : 0);
        setInt("applyBorder", 1);
    }
    if (change.fillColour) {
        int fill = 0;
        if (!change.fillColour->isEmpty())
            fill = m_fills.intern("<fill><patternFill patternType=\"solid\"><fgColor rgb=\"FF" +
                                  change.fillColour->toUpper().toStdString() +
                                  "\"/><bgColor indexed=\"64\"/></patternFill></fill>");
        setInt("fillId", fill);
        setInt("applyFill", 1);
    }
    if (change.horizontal || change.vertical || change.wrapText) {
        pugi::xml_node al = node.child("alignment");
        if (!al)
            al = node.prepend_child("alignment");
        if (change.horizontal) {
            al.remove_attribute("horizontal");
            static const char *const names[] = {nullptr, "left", "center", "right"};
            if (const char *h = names[int(*change.horizontal)])
                al.append_attribute("horizontal").set_value(h);
        }
        if (change.vertical) {
            al.remove_attribute("vertical");
            static const char *const names[] = {nullptr, "center", "top"};
            if (const char *v = names[int(*change.vertical)])
                al.append_attribute("vertical").set_value(v);
        }
        if (change.wrapText) {
            al.remove_attribute("wrapText");
            if (*change.wrapText)
                al.append_attribute("wrapText").set_value(1);
        }
        setInt("applyAlignment", 1);
    }
    const int id = internXf(XmlUtil::toString(node));
    m_derived.insert(key, id);
    return id;
}

std::string StyleSheet::toXml()
{
    pugi::xml_node root = m_doc.child("styleSheet");
    const auto &order = kStyleOrder;
    auto rebuild = [&](const char *container, const Table &t) {
        pugi::xml_node c = XmlUtil::ensureChild(root, container, order);
        while (c.first_child())
            c.remove_child(c.first_child());
        std::string all;
        for (const std::string &item : t.items)
            all += item;
        c.append_buffer(all.data(), all.size());
        c.remove_attribute("count");
        c.prepend_attribute("count").set_value(unsigned(t.items.size()));
    };
    // Custom number formats first: the schema wants numFmts before fonts.
    if (!m_customFormats.isEmpty()) {
        pugi::xml_node nf = XmlUtil::ensureChild(root, "numFmts", order);
        while (nf.first_child())
            nf.remove_child(nf.first_child());
        for (auto it = m_customFormats.cbegin(); it != m_customFormats.cend(); ++it) {
            pugi::xml_node f = nf.append_child("numFmt");
            f.append_attribute("numFmtId").set_value(it.key());
            XmlUtil::setAttr(f, "formatCode", it.value());
        }
        nf.remove_attribute("count");
        nf.prepend_attribute("count").set_value(unsigned(m_customFormats.size()));
    }
    rebuild("fonts", m_fonts);
    rebuild("fills", m_fills);
    rebuild("borders", m_borders);
    if (!root.child("cellStyleXfs")) {
        pugi::xml_node c = XmlUtil::ensureChild(root, "cellStyleXfs", order);
        c.append_attribute("count").set_value(1);
        pugi::xml_node x = c.append_child("xf");
        for (const char *a : {"numFmtId", "fontId", "fillId", "borderId"})
            x.append_attribute(a).set_value(0);
    }
    rebuild("cellXfs", m_xfs);
    return XmlUtil::toBytes(m_doc);
}

} // namespace tq::automation
