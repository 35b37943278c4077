#include "automation/SharedStrings.h"

#include "automation/XmlUtil.h"

#include <pugixml.hpp>

namespace tq::automation {

namespace {
// The visible text of a <si> or <is>: its own <t> or its runs' <t>, without
// the phonetic runs.
QString itemText(const pugi::xml_node &si)
{
    QString t;
    for (pugi::xml_node c : si.children()) {
        if (std::string_view(c.name()) == "t")
            t += QString::fromUtf8(c.text().get());
        else if (std::string_view(c.name()) == "r")
            t += QString::fromUtf8(c.child("t").text().get());
    }
    return XmlUtil::decodeEscapes(t);
}
} // namespace

void SharedStrings::load(const std::string &xml, const QString &partName)
{
    pugi::xml_document doc;
    XmlUtil::load(doc, xml, partName);
    for (pugi::xml_node si : doc.child("sst").children("si")) {
        Entry e;
        e.text = itemText(si);
        if (si.child("r") || si.child("rPh"))
            e.rich = XmlUtil::toString(si);
        else if (!m_plain.contains(e.text))
            m_plain.insert(e.text, std::uint32_t(m_entries.size()));
        m_entries.push_back(std::move(e));
    }
}

std::uint32_t SharedStrings::add(const QString &text)
{
    const auto it = m_plain.constFind(text);
    if (it != m_plain.cend())
        return it.value();
    const auto id = std::uint32_t(m_entries.size());
    m_entries.push_back({text, {}});
    m_plain.insert(text, id);
    return id;
}

std::string SharedStrings::toXml(const std::vector<bool> &used, std::vector<std::uint32_t> &newId,
                                 std::size_t references) const
{
    newId.assign(m_entries.size(), 0);
    std::uint32_t unique = 0;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (used[i])
            newId[i] = unique++;
    }
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                      "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"" +
                      std::to_string(references) + "\" uniqueCount=\"" + std::to_string(unique) + "\">";
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (!used[i])
            continue;
        const Entry &e = m_entries[i];
        if (!e.rich.empty()) {
            out += e.rich;
            continue;
        }
        out += "<si><t xml:space=\"preserve\">";
        XmlUtil::appendEscaped(out, e.text);
        out += "</t></si>";
    }
    out += "</sst>";
    return out;
}

} // namespace tq::automation
