#pragma once

#include <QByteArray>
#include <QString>
#include <pugixml.hpp>

#include <initializer_list>
#include <string>

namespace tq::automation {

// Small helpers shared by the parts of the workbook package.
class XmlUtil {
public:
    // Parses one part; raises FileError naming the part when it is not XML.
    static void load(pugi::xml_document &doc, const std::string &bytes, const QString &partName);
    // The node (or document) as compact XML text.
    static std::string toString(const pugi::xml_node &node);
    static std::string toBytes(const pugi::xml_document &doc);

    // Appends `text` as XML character data (UTF-8). Characters XML cannot
    // carry are written in the _xHHHH_ form spreadsheet files use.
    static void appendEscaped(std::string &out, const QString &text, bool attribute = false);
    // Undoes the _xHHHH_ form.
    static QString decodeEscapes(const QString &text);
    // Appends a number as XML text, in the shortest form that reads back the same.
    static void appendInt(std::string &out, long long v);
    static void appendDouble(std::string &out, double v);

    // The child `name` of `parent`, created at its place in `order` (the
    // element order the schema prescribes) when missing.
    static pugi::xml_node ensureChild(pugi::xml_node parent, const char *name,
                                      std::initializer_list<const char *> order);
    static QString attr(const pugi::xml_node &node, const char *name)
    {
        return QString::fromUtf8(node.attribute(name).value());
    }
    static void setAttr(pugi::xml_node node, const char *name, const QString &value);
};

} // namespace tq::automation
