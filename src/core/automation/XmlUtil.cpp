#include "automation/XmlUtil.h"

#include "common/Error.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace tq::automation {

namespace {
struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void *data, size_t size) override { out.append(static_cast<const char *>(data), size); }
};

bool isHex(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}
} // namespace

void XmlUtil::load(pugi::xml_document &doc, const std::string &bytes, const QString &partName)
{
    const pugi::xml_parse_result r = doc.load_buffer(
        bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_ws_pcdata_single, pugi::encoding_utf8);
    if (!r)
        throw FileError(QStringLiteral("工作簿的组成部分 %1 已损坏（%2，位置 %3）")
                            .arg(partName, QString::fromUtf8(r.description()))
                            .arg(r.offset));
}

std::string XmlUtil::toString(const pugi::xml_node &node)
{
    StringWriter w;
    node.print(w, "", pugi::format_raw);
    return std::move(w.out);
}

std::string XmlUtil::toBytes(const pugi::xml_document &doc)
{
    StringWriter w;
    doc.save(w, "", pugi::format_raw, pugi::encoding_utf8);
    std::string s = std::move(w.out);
    // pugixml writes the declaration without "standalone"; spreadsheet programs
    // expect the form they write themselves.
    static const char kDecl[] = "<?xml version=\"1.0\"?>";
    if (s.compare(0, sizeof kDecl - 1, kDecl) == 0)
        s.replace(0, sizeof kDecl - 1, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n");
    return s;
}

void XmlUtil::appendEscaped(std::string &out, const QString &text, bool attribute)
{
    const char16_t *p = reinterpret_cast<const char16_t *>(text.utf16());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c < 0x80) {
            switch (c) {
            case u'&':
                out += "&amp;";
                break;
            case u'<':
                out += "&lt;";
                break;
            case u'>':
                out += "&gt;";
                break;
            case u'"':
                if (attribute)
                    out += "&quot;";
                else
                    out += '"';
                break;
            case u'\t':
            case u'\n':
            case u'\r':
                if (attribute) {
                    out += c == u'\t' ? "&#9;" : c == u'\n' ? "&#10;" : "&#13;";
                } else {
                    out += char(c);
                }
                break;
            default:
                if (c < 0x20) {
                    char buf[16];
                    std::snprintf(buf, sizeof buf, "_x%04X_", unsigned(c));
                    out += buf;
                } else {
                    out += char(c);
                }
            }
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            const char32_t u = QChar::surrogateToUcs4(c, p[i + 1]);
            ++i;
            out += char(0xF0 | (u >> 18));
            out += char(0x80 | ((u >> 12) & 0x3F));
            out += char(0x80 | ((u >> 6) & 0x3F));
            out += char(0x80 | (u & 0x3F));
        } else if (QChar::isSurrogate(c) || c == 0xFFFE || c == 0xFFFF) {
            // not representable in XML: dropped
        } else {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
}

QString XmlUtil::decodeEscapes(const QString &text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_' &&
            isHex(text[i + 2]) && isHex(text[i + 3]) && isHex(text[i + 4]) && isHex(text[i + 5])) {
            out += QChar(char16_t(QStringView(text).mid(i + 2, 4).toUInt(nullptr, 16)));
            i += 6;
        } else {
            out += text[i];
        }
    }
    return out;
}

void XmlUtil::appendInt(std::string &out, long long v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void XmlUtil::appendDouble(std::string &out, double v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

pugi::xml_node XmlUtil::ensureChild(pugi::xml_node parent, const char *name, std::initializer_list<const char *> order)
{
    if (pugi::xml_node existing = parent.child(name))
        return existing;
    // Rank of every element named in the order; unknown elements rank last.
    auto rank = [&order](const char *n) {
        int r = 0;
        for (const char *o : order) {
            if (std::strcmp(o, n) == 0)
                return r;
            ++r;
        }
        return r;
    };
    const int mine = rank(name);
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && rank(c.name()) > mine)
            return parent.insert_child_before(name, c);
    }
    return parent.append_child(name);
}

void XmlUtil::setAttr(pugi::xml_node node, const char *name, const QString &value)
{
    pugi::xml_attribute a = node.attribute(name);
    if (!a)
        a = node.append_attribute(name);
    a.set_value(value.toUtf8().constData());
}

} // namespace tq::automation
