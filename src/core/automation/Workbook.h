#pragma once

#include "automation/Worksheet.h"
#include "automation/ZipPackage.h"
#include "common/Error.h"

#include <QString>
#include <pugixml.hpp>

#include <memory>
#include <vector>

namespace tq {
class Interaction;
}

namespace tq::automation {

class SharedStrings;
class StyleSheet;

// A spreadsheet workbook in the Office Open XML format (.xlsx, or a .xltx
// template), held in memory from opening to saving. Sheets are numbered from
// 1 in workbook order. Every failure raises tq::Error, or tq::FileError for
// files that cannot be read or written; the texts name the file.
class Workbook {
public:
    // A new workbook with one empty worksheet "Sheet1".
    static std::unique_ptr<Workbook> create();
    // A workbook or template file. A template opens as a new workbook built
    // from it: saving it under a .xlsx name writes an ordinary workbook.
    static std::unique_ptr<Workbook> open(const QString &path);

    ~Workbook();
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    int sheetCount() const { return int(m_sheets.size()); }
    Worksheet &sheet(int number);
    // Names are compared without regard to case.
    Worksheet &sheet(const QString &name);
    Worksheet *findSheet(const QString &name) const;
    // Appends a worksheet; an empty name gives "SheetN".
    Worksheet &addSheet(const QString &name = QString());
    // Removes the sheet; later sheets move up by one. References to it in
    // formulas of other sheets become #REF!, as the spreadsheet does. Asks
    // nothing. The last sheet cannot be removed.
    void deleteSheet(int number);

    // The sheet shown first when the file is opened.
    int activeSheet() const { return m_active + 1; }
    void setActiveSheet(int number);

    // A name ending in ".xltx" writes a template, anything else a workbook.
    void save(const QString &path);
    // Saves into a new file "<baseName>-XXXXXX.xlsx" in the temporary folder
    // and returns its path.
    QString saveTemporary(const QString &baseName);
    // Hands the workbook to the person at the screen: saved as a temporary
    // workbook and opened in the desktop's spreadsheet program. The caller
    // keeps nothing of it.
    void show(Interaction &ui, const QString &baseName);

private:
    friend class Worksheet;

    Workbook();
    void initNew();
    void load(const QString &path);

    StyleSheet &styleSheet() { return *m_styles; }
    SharedStrings &sharedStrings() { return *m_strings; }
    int indexOf(const Worksheet *sheet) const;
    void checkSheetName(const QString &name, const Worksheet *except) const;
    void renameSheet(Worksheet &sheet, const QString &name);
    void rowsInserted(const Worksheet &sheet, int atRow, int count);
    QString unusedRelationshipId() const;
    QString unusedSheetPart() const;
    QString relationshipTarget(const QString &part) const;

    std::vector<ZipPackage::Part> m_otherParts; // carried over unchanged
    std::vector<QString> m_droppedParts;
    pugi::xml_document m_contentTypes;
    pugi::xml_document m_workbook;
    pugi::xml_document m_relations;
    QString m_workbookPart = QStringLiteral("xl/workbook.xml");
    QString m_stylesPart;
    QString m_stylesRelId;
    QString m_stringsPart;
    QString m_stringsRelId;
    QString m_relPrefix = QStringLiteral("r");
    std::unique_ptr<StyleSheet> m_styles;
    std::unique_ptr<SharedStrings> m_strings;
    std::vector<std::unique_ptr<Worksheet>> m_sheets;
    int m_active = 0;
};

} // namespace tq::automation
