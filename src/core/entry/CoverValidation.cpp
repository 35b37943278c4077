#include "entry/CoverValidation.h"

#include "common/Gbk.h"
#include "common/Interaction.h"
#include "db/Database.h"

namespace tq::entry {

namespace {
const QString kNameMissing = QStringLiteral("必须输入本级工会名称");
const QString kFillerMissing = QStringLiteral("必须输入填表人");
const QString kPhoneMissing = QStringLiteral("必须输入联系电话");
const QString kBadRegion = QStringLiteral("输入的行政区划代码错误，请重新输入，或用对话框选择");
const QString kBadLevel = QStringLiteral("输入的本级工会层次代码不合法，请重新输入或通过列表选择");
} // namespace

QString coverBoxName(CoverBox box)
{
    switch (box) {
    case CoverBox::c901:
        return QStringLiteral("c901");
    case CoverBox::c902:
        return QStringLiteral("c902");
    case CoverBox::c903:
        return QStringLiteral("c903");
    case CoverBox::c904:
        return QStringLiteral("c904");
    case CoverBox::c905:
        return QStringLiteral("c905");
    case CoverBox::c906:
        return QStringLiteral("c906");
    }
    return {};
}

CoverValidation::CoverValidation(db::Database &db, Interaction &ui, CoverView &view) : m_db(db), m_ui(ui), m_view(view)
{
}

bool CoverValidation::fail(const QString &text, CoverBox box)
{
    m_ui.message(text);
    m_view.focusBox(box);
    return false;
}

bool CoverValidation::CheckCover()
{
    const qint64 code = m_view.boxValue(CoverBox::c901);
    if (code < 1)
        return fail(QStringLiteral("本级工会编码必须大于0!"), CoverBox::c901);

    // The record being modified counts itself; only another row with the code is a clash.
    const qint64 count =
        m_db.scalar(QStringLiteral("SELECT count(*) as TBLNUM FROM dt_data  WHERE c901=?"), {code}).toLongLong();
    if (count > 0 && code != m_view.CurrentCode()) {
        const QString text =
            m_view.IsAdding()
                ? QStringLiteral("在增加数据时，填写的本级工会编码为%1，该编码的数据已经存在，请改用其它编码。")
                : QStringLiteral("在修改数据时，将本级工会编码改为%1，该编码的数据已经存在，请改用其它编码。");
        m_ui.message(text.arg(code));
        m_view.disableSaveButtons();
        m_view.showCoverPage();
        m_view.focusBox(CoverBox::c901);
        return false;
    }

    if (m_view.boxText(CoverBox::c902).trimmed().isEmpty())
        return fail(kNameMissing, CoverBox::c902);
    if (RegionName(m_db, m_view.boxValue(CoverBox::c903), m_ui).isEmpty())
        return fail(kBadRegion, CoverBox::c903);
    if (CodeName(m_view.LevelCodes(), m_view.boxValue(CoverBox::c904)).isEmpty())
        return fail(kBadLevel, CoverBox::c904);
    if (m_view.boxText(CoverBox::c905).trimmed().isEmpty())
        return fail(kFillerMissing, CoverBox::c905);
    if (m_view.boxText(CoverBox::c906).trimmed().isEmpty())
        return fail(kPhoneMissing, CoverBox::c906);
    return true;
}

void CoverValidation::textExit(CoverBox box, int maxBytes, const QString &emptyMessage)
{
    if (!m_view.Loaded())
        return;
    const QString text = m_view.boxText(box);
    const QString cut = cutToGbkBytes(text, maxBytes);
    if (cut != text)
        m_view.setBoxText(box, cut);
    if (cut.trimmed().isEmpty())
        fail(emptyMessage, box);
}

void CoverValidation::c902Exit()
{
    textExit(CoverBox::c902, kNameBytes, kNameMissing);
}
void CoverValidation::c905Exit()
{
    textExit(CoverBox::c905, kFillerBytes, kFillerMissing);
}
void CoverValidation::c906Exit()
{
    textExit(CoverBox::c906, kPhoneBytes, kPhoneMissing);
}

void CoverValidation::regionExit(bool silent)
{
    if (!silent && !m_view.Loaded())
        return;
    const qint64 code = m_view.boxValue(CoverBox::c903);
    const QString name = RegionName(m_db, code, m_ui);
    if (!name.isEmpty()) {
        m_view.setRegionName(name, code);
        return;
    }
    if (!silent)
        m_ui.message(kBadRegion);
    m_view.focusBox(CoverBox::c903);
}

void CoverValidation::levelExit(bool silent)
{
    if (!silent && !m_view.Loaded())
        return;
    const qint64 code = m_view.boxValue(CoverBox::c904);
    const QString name = CodeName(m_view.LevelCodes(), code);
    if (!name.isEmpty()) {
        m_view.setLevelName(name, code);
        m_view.ApplyLevelRules(code);
        return;
    }
    if (!silent)
        m_ui.message(kBadLevel);
    m_view.focusBox(CoverBox::c904);
}

void CoverValidation::c903Exit()
{
    regionExit(false);
}
void CoverValidation::c904Exit()
{
    levelExit(false);
}
void CoverValidation::c903ExitSilent()
{
    regionExit(true);
}
void CoverValidation::c904ExitSilent()
{
    levelExit(true);
}

QString RegionName(db::Database &db, qint64 code, Interaction &ui)
{
    if (code <= 99999)
        return {};
    try {
        const QVariant name = db.scalar(QStringLiteral("Select CombName from CT_CityName where ID=?"), {code});
        return name.isValid() ? name.toString() : QString();
    } catch (const db::DbError &e) {
        ui.message(QStringLiteral("运行中发生错误：") + e.text() + QStringLiteral(",请与系统管理员或软件发行者联系。"));
        return {};
    }
}

QString CodeName(const CodeList &list, qint64 code)
{
    for (const CodeItem &item : list) {
        if (item.code == code)
            return item.name;
    }
    return {};
}

qint64 CodeOf(const CodeList &list, const QString &name)
{
    for (const CodeItem &item : list) {
        if (item.name == name)
            return item.code;
    }
    return 0;
}

QString cutToGbkBytes(const QString &text, int maxBytes)
{
    if (Gbk::byteLength(text) <= maxBytes)
        return text;
    int bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        // A surrogate pair is one character and is kept or dropped whole.
        const qsizetype len = (text.at(end).isHighSurrogate() && end + 1 < text.size()) ? 2 : 1;
        const int charBytes = Gbk::byteLength(text.mid(end, len));
        if (bytes + charBytes > maxBytes)
            break;
        bytes += charBytes;
        end += len;
    }
    return text.left(end);
}

CodeList loadLevelCodes(db::Database &db)
{
    CodeList list;
    db::Statement st = db.prepare(QStringLiteral("SELECT ID, Name FROM CT_LevelCode WHERE ID<>0 ORDER BY Sequence"));
    while (st.step())
        list.append({st.intValue(0), st.textValue(1)});
    return list;
}

} // namespace tq::entry
