#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace tq::automation {

// The texts of a workbook, each kept once; cells refer to them by number.
// Formatted texts a template brings along keep their runs.
class SharedStrings {
public:
    // Raises FileError when the part is not XML.
    void load(const std::string &xml, const QString &partName);

    std::uint32_t add(const QString &text);
    const QString &text(std::uint32_t id) const { return m_entries[id].text; }
    std::uint32_t size() const { return std::uint32_t(m_entries.size()); }

    // Writes the entries whose `used` flag is set, in order, and gives each
    // used entry its number in the written part through `newId`.
    std::string toXml(const std::vector<bool> &used, std::vector<std::uint32_t> &newId, std::size_t references) const;

private:
    struct Entry {
        QString text;
        std::string rich; // the <si> element as read, when it carries runs
    };
    std::vector<Entry> m_entries;
    QHash<QString, std::uint32_t> m_plain;
};

} // namespace tq::automation
