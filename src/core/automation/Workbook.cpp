#include "automation/Workbook.h"

#include "automation/FormulaReferences.h"
#include "automation/SharedStrings.h"
#include "automation/StyleSheet.h"
#include "automation/XlsxStreamWriter.h"
#include "automation/XmlUtil.h"
#include "common/Error.h"
#include "common/Interaction.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryFile>

namespace tq::automation {

namespace {

const char kRelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char kRelOfficeDocument[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
const char kRelWorksheet[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
const char kRelStyles[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
const char kRelStrings[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";
const char kRelCalcChain[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain";

const char kTypeWorkbook[] = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
const char kTypeTemplate[] = "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml";
const char kTypeWorksheet[] = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
const char kTypeStyles[] = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
const char kTypeStrings[] = "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";

const std::initializer_list<const char *> kWorkbookOrder = {"fileVersion",    "fileSharing",
                                                            "workbookPr",     "workbookProtection",
                                                            "bookViews",      "sheets",
                                                            "functionGroups", "externalReferences",
                                                            "definedNames",   "calcPr",
                                                            "oleSize",        "customWorkbookViews",
                                                            "pivotCaches",    "smartTagPr",
                                                            "smartTagTypes",  "webPublishing",
                                                            "fileRecoveryPr", "webPublishObjects",
                                                            "extLst"};

const char kNewContentTypes[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/></Types>)";
const char kNewRootRels[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" )"
    R"(Target="xl/workbook.xml"/></Relationships>)";
const char kNewWorkbook[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<bookViews><workbookView activeTab="0"/></bookViews><sheets/><calcPr calcId="0" fullCalcOnLoad="1"/></workbook>)";
const char kNewRelations[] = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                             R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"/>)";

QString folderOf(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString resolve(const QString &baseFolder, const QString &target)
{
    if (target.startsWith(u'/'))
        return target.mid(1);
    return QDir::cleanPath(baseFolder + target);
}

QString relsPartOf(const QString &part)
{
    return folderOf(part) + QStringLiteral("_rels/") + part.mid(folderOf(part).size()) + QStringLiteral(".rels");
}

bool samePart(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

Workbook::Workbook() : m_strings(std::make_unique<SharedStrings>())
{
}

Workbook::~Workbook() = default;

std::unique_ptr<Workbook> Workbook::create()
{
    std::unique_ptr<Workbook> book(new Workbook);
    book->initNew();
    book->addSheet(QStringLiteral("Sheet1"));
    return book;
}

std::unique_ptr<Workbook> Workbook::open(const QString &path)
{
    std::unique_ptr<Workbook> book(new Workbook);
    try {
        book->load(path);
    } catch (const FileError &e) {
        // Damage inside a part names the part; the person needs the file too.
        const QString shown = QDir::toNativeSeparators(path);
        if (e.text().contains(shown))
            throw;
        throw FileError(QStringLiteral("工作簿文件“%1”无法使用：%2").arg(shown, e.text()));
    }
    return book;
}

void Workbook::initNew()
{
    XmlUtil::load(m_contentTypes, std::string(kNewContentTypes), QStringLiteral("[Content_Types].xml"));
    XmlUtil::load(m_workbook, std::string(kNewWorkbook), m_workbookPart);
    XmlUtil::load(m_relations, std::string(kNewRelations), relsPartOf(m_workbookPart));
    m_otherParts.push_back({QStringLiteral("_rels/.rels"), kNewRootRels});
    m_styles = std::make_unique<StyleSheet>();
}

void Workbook::load(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    std::vector<ZipPackage::Part> parts = ZipPackage::read(path);
    auto find = [&parts](const QString &name) -> ZipPackage::Part * {
        for (ZipPackage::Part &p : parts) {
            if (samePart(p.name, name))
                return &p;
        }
        return nullptr;
    };
    auto take = [&parts](const QString &name, std::string &out) {
        for (auto it = parts.begin(); it != parts.end(); ++it) {
            if (samePart(it->name, name)) {
                out = std::move(it->data);
                parts.erase(it);
                return true;
            }
        }
        return false;
    };
    auto notAWorkbook = [&shown](const QString &why) {
        return FileError(QStringLiteral("“%1”不是有效的工作簿：%2").arg(shown, why));
    };

    std::string bytes;
    if (!take(QStringLiteral("[Content_Types].xml"), bytes))
        throw notAWorkbook(QStringLiteral("缺少 [Content_Types].xml"));
    XmlUtil::load(m_contentTypes, bytes, QStringLiteral("[Content_Types].xml"));

    const ZipPackage::Part *rootRels = find(QStringLiteral("_rels/.rels"));
    if (!rootRels)
        throw notAWorkbook(QStringLiteral("缺少 _rels/.rels"));
    {
        pugi::xml_document rels;
        XmlUtil::load(rels, rootRels->data, QStringLiteral("_rels/.rels"));
        QString target;
        for (pugi::xml_node r : rels.child("Relationships").children("Relationship")) {
            if (XmlUtil::attr(r, "Type") == QLatin1String(kRelOfficeDocument))
                target = resolve(QString(), XmlUtil::attr(r, "Target"));
        }
        if (target.isEmpty())
            throw notAWorkbook(QStringLiteral("找不到工作簿部分"));
        m_workbookPart = target;
    }
    if (!take(m_workbookPart, bytes))
        throw notAWorkbook(QStringLiteral("缺少 %1").arg(m_workbookPart));
    XmlUtil::load(m_workbook, bytes, m_workbookPart);
    pugi::xml_node wb = m_workbook.child("workbook");
    if (!wb)
        throw notAWorkbook(QStringLiteral("%1 不是工作簿").arg(m_workbookPart));
    for (pugi::xml_attribute a : wb.attributes()) {
        const QString n = QString::fromUtf8(a.name());
        if (n.startsWith(QLatin1String("xmlns:")) && QString::fromUtf8(a.value()) == QLatin1String(kRelNs))
            m_relPrefix = n.mid(6);
    }

    const QString relsPart = relsPartOf(m_workbookPart);
    if (take(relsPart, bytes))
        XmlUtil::load(m_relations, bytes, relsPart);
    else
        XmlUtil::load(m_relations, std::string(kNewRelations), relsPart);

    const QString base = folderOf(m_workbookPart);
    QHash<QString, QPair<QString, QString>> rels; // id -> (type, part)
    pugi::xml_node relRoot = m_relations.child("Relationships");
    for (pugi::xml_node r = relRoot.first_child(); r;) {
        pugi::xml_node next = r.next_sibling();
        const QString type = XmlUtil::attr(r, "Type");
        const QString id = XmlUtil::attr(r, "Id");
        const QString part = XmlUtil::attr(r, "TargetMode") == QLatin1String("External")
                                 ? QString()
                                 : resolve(base, XmlUtil::attr(r, "Target"));
        if (type == QLatin1String(kRelCalcChain)) {
            // The calculation chain lists formula cells; once cells change it
            // would be stale, and the program recalculates anyway.
            take(part, bytes);
            m_droppedParts.push_back(part);
            relRoot.remove_child(r);
        } else if (type == QLatin1String(kRelStyles)) {
            m_stylesPart = part;
            m_stylesRelId = id;
        } else if (type == QLatin1String(kRelStrings)) {
            m_stringsPart = part;
            m_stringsRelId = id;
        }
        rels.insert(id, {type, part});
        r = next;
    }

    if (!m_stylesPart.isEmpty() && take(m_stylesPart, bytes))
        m_styles = std::make_unique<StyleSheet>(bytes, m_stylesPart);
    else
        m_styles = std::make_unique<StyleSheet>();
    if (!m_stringsPart.isEmpty() && take(m_stringsPart, bytes))
        m_strings->load(bytes, m_stringsPart);

    QHash<QString, QString> overrides;
    for (pugi::xml_node o : m_contentTypes.child("Types").children("Override"))
        overrides.insert(XmlUtil::attr(o, "PartName").mid(1).toLower(), XmlUtil::attr(o, "ContentType"));

    const QString idAttr = m_relPrefix + QStringLiteral(":id");
    for (pugi::xml_node s : wb.child("sheets").children("sheet")) {
        auto sheet = std::unique_ptr<Worksheet>(new Worksheet(this, XmlUtil::attr(s, "name")));
        sheet->m_sheetId = s.attribute("sheetId").as_int();
        sheet->m_state = XmlUtil::attr(s, "state");
        sheet->m_relId = XmlUtil::attr(s, idAttr.toUtf8().constData());
        const auto rel = rels.value(sheet->m_relId);
        sheet->m_partName = rel.second;
        if (rel.second.isEmpty() || !take(rel.second, bytes))
            throw notAWorkbook(QStringLiteral("缺少工作表“%1”").arg(sheet->m_name));
        if (rel.first == QLatin1String(kRelWorksheet)) {
            sheet->load(bytes, rel.second);
        } else {
            sheet->m_opaque = true;
            sheet->m_raw = std::move(bytes);
            sheet->m_contentType = overrides.value(rel.second.toLower());
        }
        m_sheets.push_back(std::move(sheet));
    }
    if (m_sheets.empty())
        throw notAWorkbook(QStringLiteral("其中没有工作表"));
    m_active =
        std::clamp(wb.child("bookViews").child("workbookView").attribute("activeTab").as_int(), 0, sheetCount() - 1);
    m_otherParts = std::move(parts);
}

// ---------------------------------------------------------------- sheets

Worksheet &Workbook::sheet(int number)
{
    if (number < 1 || number > sheetCount())
        throw Error(QStringLiteral("工作簿中没有第 %1 个工作表（共有 %2 个）").arg(number).arg(sheetCount()));
    return *m_sheets[size_t(number - 1)];
}

Worksheet *Workbook::findSheet(const QString &name) const
{
    for (const auto &s : m_sheets) {
        if (s->m_name.compare(name, Qt::CaseInsensitive) == 0)
            return s.get();
    }
    return nullptr;
}

Worksheet &Workbook::sheet(const QString &name)
{
    if (Worksheet *s = findSheet(name))
        return *s;
    throw Error(QStringLiteral("工作簿中没有名为“%1”的工作表").arg(name));
}

int Workbook::indexOf(const Worksheet *sheet) const
{
    for (size_t i = 0; i < m_sheets.size(); ++i) {
        if (m_sheets[i].get() == sheet)
            return int(i);
    }
    return -1;
}

void Workbook::checkSheetName(const QString &name, const Worksheet *except) const
{
    // What spreadsheet programs refuse in any workbook, and two sheets of one name.
    XlsxStreamWriter::checkSheetName(name);
    const Worksheet *other = findSheet(name);
    if (other && other != except)
        throw Error(QStringLiteral("已经有名为“%1”的工作表").arg(name));
}

Worksheet &Workbook::addSheet(const QString &nameIn)
{
    QString name = nameIn;
    if (name.isEmpty()) {
        int n = sheetCount() + 1;
        while (findSheet(QStringLiteral("Sheet%1").arg(n)))
            ++n;
        name = QStringLiteral("Sheet%1").arg(n);
    }
    checkSheetName(name, nullptr);
    auto sheet = std::unique_ptr<Worksheet>(new Worksheet(this, name));
    int id = 1;
    for (const auto &s : m_sheets)
        id = std::max(id, s->m_sheetId + 1);
    sheet->m_sheetId = id;
    sheet->m_partName = unusedSheetPart();
    sheet->m_relId = unusedRelationshipId();
    sheet->initEmpty();
    m_sheets.push_back(std::move(sheet));
    return *m_sheets.back();
}

QString Workbook::unusedRelationshipId() const
{
    QSet<QString> used;
    for (pugi::xml_node r : m_relations.child("Relationships").children("Relationship"))
        used.insert(XmlUtil::attr(r, "Id"));
    for (const auto &s : m_sheets)
        used.insert(s->m_relId);
    used.insert(m_stylesRelId);
    used.insert(m_stringsRelId);
    int n = 1;
    while (used.contains(QStringLiteral("rId%1").arg(n)))
        ++n;
    return QStringLiteral("rId%1").arg(n);
}

QString Workbook::unusedSheetPart() const
{
    const QString base = folderOf(m_workbookPart) + QStringLiteral("worksheets/sheet%1.xml");
    for (int n = 1;; ++n) {
        const QString candidate = base.arg(n);
        bool taken = false;
        for (const auto &s : m_sheets)
            taken = taken || samePart(s->m_partName, candidate);
        for (const auto &p : m_otherParts)
            taken = taken || samePart(p.name, candidate);
        if (!taken)
            return candidate;
    }
}

void Workbook::deleteSheet(int number)
{
    Worksheet &victim = sheet(number);
    if (sheetCount() == 1)
        throw Error(QStringLiteral("工作簿至少要保留一个工作表，不能删除“%1”").arg(victim.m_name));
    const int index = number - 1;
    const QString name = victim.m_name;

    // The sheet's own relationships (drawings, printer settings) go with it.
    const QString ownRels = relsPartOf(victim.m_partName);
    std::erase_if(m_otherParts, [&](const ZipPackage::Part &p) { return samePart(p.name, ownRels); });
    m_droppedParts.push_back(victim.m_partName);
    m_droppedParts.push_back(ownRels);

    pugi::xml_node names = m_workbook.child("workbook").child("definedNames");
    for (pugi::xml_node n = names.first_child(); n;) {
        pugi::xml_node next = n.next_sibling();
        if (pugi::xml_attribute local = n.attribute("localSheetId")) {
            if (local.as_int() == index) {
                names.remove_child(n);
                n = next;
                continue;
            }
            if (local.as_int() > index)
                local.set_value(local.as_int() - 1);
        }
        n.text().set(FormulaReferences::dropSheet(QString::fromUtf8(n.text().get()), name).toUtf8().constData());
        n = next;
    }
    if (names && !names.first_child())
        m_workbook.child("workbook").remove_child(names);

    m_sheets.erase(m_sheets.begin() + index);
    for (const auto &s : m_sheets)
        s->adjustForDroppedSheet(name);
    if (m_active > index || m_active >= sheetCount())
        m_active = std::max(0, m_active - 1);
}

void Workbook::setActiveSheet(int number)
{
    sheet(number);
    m_active = number - 1;
}

void Workbook::renameSheet(Worksheet &sheet, const QString &name)
{
    if (name == sheet.m_name)
        return;
    checkSheetName(name, &sheet);
    const QString old = sheet.m_name;
    sheet.m_name = name;
    for (const auto &s : m_sheets)
        s->adjustForRename(old, name);
    for (pugi::xml_node n : m_workbook.child("workbook").child("definedNames").children("definedName"))
        n.text().set(FormulaReferences::renameSheet(QString::fromUtf8(n.text().get()), old, name).toUtf8().constData());
}

void Workbook::rowsInserted(const Worksheet &sheet, int atRow, int count)
{
    for (const auto &s : m_sheets)
        s->adjustForInsertedRows(sheet.m_name, atRow, count);
    for (pugi::xml_node n : m_workbook.child("workbook").child("definedNames").children("definedName"))
        n.text().set(
            FormulaReferences::insertRows(QString::fromUtf8(n.text().get()), QString(), sheet.m_name, atRow, count)
                .toUtf8()
                .constData());
}

// ---------------------------------------------------------------- saving

QString Workbook::relationshipTarget(const QString &part) const
{
    const QString base = folderOf(m_workbookPart);
    if (!base.isEmpty() && part.startsWith(base))
        return part.mid(base.size());
    return QLatin1Char('/') + part;
}

void Workbook::save(const QString &path)
{
    const bool asTemplate = path.endsWith(QLatin1String(".xltx"), Qt::CaseInsensitive);

    // Texts still in use, renumbered densely.
    std::vector<bool> used(m_strings->size(), false);
    std::size_t references = 0;
    for (const auto &s : m_sheets)
        s->markStrings(used, references);
    std::vector<std::uint32_t> stringIds;
    std::string stringsXml = m_strings->toXml(used, stringIds, references);
    if (m_stringsPart.isEmpty())
        m_stringsPart = folderOf(m_workbookPart) + QStringLiteral("sharedStrings.xml");
    if (m_stylesPart.isEmpty())
        m_stylesPart = folderOf(m_workbookPart) + QStringLiteral("styles.xml");
    if (m_stylesRelId.isEmpty())
        m_stylesRelId = unusedRelationshipId();
    if (m_stringsRelId.isEmpty())
        m_stringsRelId = unusedRelationshipId();

    // Relationships of the workbook part: sheets, styles and texts as they
    // are now, everything else as it came.
    pugi::xml_node rels = m_relations.child("Relationships");
    for (pugi::xml_node r = rels.first_child(); r;) {
        pugi::xml_node next = r.next_sibling();
        const QString type = XmlUtil::attr(r, "Type");
        const QString id = XmlUtil::attr(r, "Id");
        bool ours = type == QLatin1String(kRelStyles) || type == QLatin1String(kRelStrings);
        for (const auto &s : m_sheets)
            ours = ours || s->m_relId == id;
        if (type.endsWith(QLatin1String("/worksheet")) || type.endsWith(QLatin1String("/chartsheet")) ||
            type.endsWith(QLatin1String("/dialogsheet")) || type.endsWith(QLatin1String("/macrosheet")))
            ours = true; // deleted sheets drop out here
        if (ours)
            rels.remove_child(r);
        r = next;
    }
    auto addRel = [&rels](const QString &id, const QString &type, const QString &target) {
        pugi::xml_node r = rels.append_child("Relationship");
        XmlUtil::setAttr(r, "Id", id);
        XmlUtil::setAttr(r, "Type", type);
        XmlUtil::setAttr(r, "Target", target);
    };
    for (const auto &s : m_sheets) {
        const QString type =
            s->m_opaque && s->m_contentType.contains(QLatin1String("chartsheet"))
                ? QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartsheet")
                : QString::fromLatin1(kRelWorksheet);
        addRel(s->m_relId, type, relationshipTarget(s->m_partName));
    }
    addRel(m_stylesRelId, QString::fromLatin1(kRelStyles), relationshipTarget(m_stylesPart));
    addRel(m_stringsRelId, QString::fromLatin1(kRelStrings), relationshipTarget(m_stringsPart));

    // The workbook part: sheet list, the sheet shown first, calculation on opening.
    pugi::xml_node wb = m_workbook.child("workbook");
    pugi::xml_node sheets = XmlUtil::ensureChild(wb, "sheets", kWorkbookOrder);
    while (sheets.first_child())
        sheets.remove_child(sheets.first_child());
    const QByteArray idAttr = (m_relPrefix + QStringLiteral(":id")).toUtf8();
    for (const auto &s : m_sheets) {
        pugi::xml_node n = sheets.append_child("sheet");
        XmlUtil::setAttr(n, "name", s->m_name);
        n.append_attribute("sheetId").set_value(s->m_sheetId);
        if (!s->m_state.isEmpty())
            XmlUtil::setAttr(n, "state", s->m_state);
        XmlUtil::setAttr(n, idAttr.constData(), s->m_relId);
    }
    pugi::xml_node views = XmlUtil::ensureChild(wb, "bookViews", kWorkbookOrder);
    pugi::xml_node view = views.child("workbookView");
    if (!view)
        view = views.append_child("workbookView");
    view.remove_attribute("activeTab");
    view.append_attribute("activeTab").set_value(m_active);
    if (view.attribute("firstSheet").as_int() > m_active)
        view.remove_attribute("firstSheet");
    pugi::xml_node calc = XmlUtil::ensureChild(wb, "calcPr", kWorkbookOrder);
    calc.remove_attribute("fullCalcOnLoad");
    calc.append_attribute("fullCalcOnLoad").set_value(1);

    // Content types: the parts written here are listed afresh.
    pugi::xml_node types = m_contentTypes.child("Types");
    QSet<QString> managed{m_workbookPart.toLower(), m_stylesPart.toLower(), m_stringsPart.toLower()};
    for (const QString &p : m_droppedParts)
        managed.insert(p.toLower());
    for (const auto &s : m_sheets)
        managed.insert(s->m_partName.toLower());
    for (pugi::xml_node o = types.first_child(); o;) {
        pugi::xml_node next = o.next_sibling();
        if (std::string_view(o.name()) == "Override" && managed.contains(XmlUtil::attr(o, "PartName").mid(1).toLower()))
            types.remove_child(o);
        o = next;
    }
    auto addOverride = [&types](const QString &part, const QString &type) {
        pugi::xml_node o = types.append_child("Override");
        XmlUtil::setAttr(o, "PartName", QLatin1Char('/') + part);
        XmlUtil::setAttr(o, "ContentType", type);
    };
    addOverride(m_workbookPart, QString::fromLatin1(asTemplate ? kTypeTemplate : kTypeWorkbook));
    for (const auto &s : m_sheets)
        addOverride(s->m_partName, s->m_opaque && !s->m_contentType.isEmpty() ? s->m_contentType
                                                                              : QString::fromLatin1(kTypeWorksheet));
    addOverride(m_stylesPart, QString::fromLatin1(kTypeStyles));
    addOverride(m_stringsPart, QString::fromLatin1(kTypeStrings));

    std::vector<ZipPackage::Part> parts;
    parts.push_back({QStringLiteral("[Content_Types].xml"), XmlUtil::toBytes(m_contentTypes)});
    for (const auto &p : m_otherParts) {
        if (samePart(p.name, QStringLiteral("_rels/.rels")))
            parts.push_back(p);
    }
    parts.push_back({m_workbookPart, XmlUtil::toBytes(m_workbook)});
    parts.push_back({relsPartOf(m_workbookPart), XmlUtil::toBytes(m_relations)});
    parts.push_back({m_stylesPart, m_styles->toXml()});
    parts.push_back({m_stringsPart, std::move(stringsXml)});
    for (size_t i = 0; i < m_sheets.size(); ++i)
        parts.push_back({m_sheets[i]->m_partName, m_sheets[i]->toXml(stringIds, int(i) == m_active)});
    for (const auto &p : m_otherParts) {
        if (!samePart(p.name, QStringLiteral("_rels/.rels")))
            parts.push_back(p);
    }
    ZipPackage::write(path, parts);
}

QString Workbook::saveTemporary(const QString &baseName)
{
    QTemporaryFile file(QDir(QDir::tempPath()).filePath(baseName + QStringLiteral("-XXXXXX.xlsx")));
    file.setAutoRemove(false);
    if (!file.open())
        throw FileError(QStringLiteral("无法在临时文件夹 %1 中建立文件：%2")
                            .arg(QDir::toNativeSeparators(QDir::tempPath()), file.errorString()));
    const QString path = file.fileName();
    file.close();
    try {
        save(path);
    } catch (...) {
        QFile::remove(path);
        throw;
    }
    return path;
}

void Workbook::show(Interaction &ui, const QString &baseName)
{
    ui.showWorkbook(saveTemporary(baseName));
}

} // namespace tq::automation
