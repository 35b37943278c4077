#pragma once

#include "automation/CellFormat.h"

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QString>
#include <pugixml.hpp>

#include <string>
#include <unordered_map>
#include <vector>

namespace tq::automation {

// The styles part of a workbook. Cells refer to a cell format by its number;
// a change to a cell's format derives a new number from the old one (or finds
// an equal one), so the formats a template brings along stay as they were and
// equal formats are stored once.
class StyleSheet {
public:
    // The styles of a new workbook: one font (宋体 11), no borders.
    StyleSheet();
    // Raises FileError when the part is not XML.
    explicit StyleSheet(const std::string &xml, const QString &partName = QStringLiteral("xl/styles.xml"));

    std::string toXml();

    // The format `xf` with `change` applied.
    int derive(int xf, const CellFormat &change);

    int count() const { return int(m_xfs.items.size()); }
    QString numberFormat(int xf) const;
    bool isTextFormat(int xf) const { return info(xf).text; }
    double fontSize(int xf) const { return info(xf).fontSize; }
    bool isBold(int xf) const { return info(xf).bold; }
    HorizontalAlignment horizontal(int xf) const { return info(xf).horizontal; }
    bool wrapText(int xf) const { return info(xf).wrap; }
    bool hasBorder(int xf) const { return info(xf).border; }
    double defaultFontSize() const { return m_defaultFontSize; }

private:
    struct Table {
        std::vector<std::string> items;
        std::unordered_map<std::string, int> index;
        int intern(std::string xml);
    };
    struct Info {
        int numFmt = 0;
        bool text = false;
        double fontSize = 11;
        bool bold = false;
        HorizontalAlignment horizontal = HorizontalAlignment::General;
        bool wrap = false;
        bool border = false;
    };

    void loadTables();
    const Info &info(int xf) const;
    Info describe(const std::string &xfXml) const;
    int numberFormatId(const QString &code);
    int internXf(std::string xml);

    pugi::xml_document m_doc;
    Table m_fonts, m_fills, m_borders, m_xfs;
    std::vector<Info> m_info;
    QMap<int, QString> m_customFormats;
    QHash<QString, int> m_formatIds;
    QHash<QString, int> m_derived; // "xf|change" -> xf
    double m_defaultFontSize = 11;
};

} // namespace tq::automation
