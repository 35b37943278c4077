#include "entry/RecordEditing.h"

#include "app/Session.h"
#include "app/Settings.h"
#include "common/Error.h"
#include "common/Interaction.h"
#include "db/FieldCatalogue.h"
#include "entry/ProcessorSignature.h"
#include "entry/SurveyRecordStore.h"
#include "logic/PageRules.h"

namespace tq::entry {

namespace {

const QString kCode = QStringLiteral("c901");
const QString kRegion = QStringLiteral("c903");
const QString kLevel = QStringLiteral("c904");
const QString kFiller = QStringLiteral("c905");
const QString kPhone = QStringLiteral("c906");
const QString kLastCity = QStringLiteral("AppLastCity");
constexpr qint64 kNewLevel = 10;

} // namespace

RecordEditing::RecordEditing(Session &session, Settings &settings, Interaction &ui, RecordEditingView &view,
                             logic::ErrorList &errors)
    : m_session(session), m_settings(settings), m_ui(ui), m_view(view), m_errors(errors)
{
    // Without its rules the editor still works: no gates, the widest limits.
    try {
        m_rules = BoxRules::standard();
    } catch (const Error &e) {
        m_ui.message(generalErrorMessage(e.text()));
    }
}

RecordEditing::~RecordEditing() = default;

const db::FieldCatalogue &RecordEditing::catalogue()
{
    if (m_catalogue)
        return *m_catalogue;
    if (!m_ownCatalogue) {
        m_ownCatalogue = std::make_unique<db::FieldCatalogue>();
        // Without a catalogue the boxes stay unlabelled and unbound; say why.
        try {
            *m_ownCatalogue = db::FieldCatalogue::load(m_session.db());
        } catch (const Error &e) {
            m_ui.message(generalErrorMessage(e.text()));
        }
    }
    return *m_ownCatalogue;
}

void RecordEditing::setRecordList(const RecordList &list, std::function<void()> saved)
{
    m_list = list;
    m_saved = std::move(saved);
}

// ---------------------------------------------------------------------------
// Showing and loading

void RecordEditing::show()
{
    try {
        m_levelCodes = loadLevelCodes(m_session.db());
    } catch (const Error &e) {
        m_ui.message(generalErrorMessage(e.text()));
    }
    loadRecord();
    setState(m_holdPending, m_savePending, !m_adding);
}

void RecordEditing::loadRecord()
{
    m_loaded = false;
    m_values.bind(catalogue(), m_rules);
    std::optional<QHash<QString, QVariant>> row;
    if (!m_adding && m_list.currentCode()) {
        try {
            row = SurveyRecordStore(m_session.db()).load(*m_list.currentCode());
        } catch (const Error &e) {
            m_ui.message(generalErrorMessage(e.text()));
        }
    }
    if (m_adding || !row) {
        m_savedOnce = false;
        m_currentCode = 0;
        m_values.clearBound();
        qint64 next = 0;
        try {
            next = SurveyRecordStore(m_session.db()).proposeNextCode();
        } catch (const Error &e) {
            m_ui.message(generalErrorMessage(e.text()));
        }
        const qint64 city = m_settings.readInteger(Settings::EnvKey, kLastCity, 0);
        m_values.setNumber(kCode, next);
        m_values.setNumber(kRegion, city);
        m_values.setNumber(kLevel, kNewLevel);
        m_values.setText(kFiller, m_settings.readString(Settings::DataKey, kFiller));
        m_values.setText(kPhone, m_settings.readString(Settings::DataKey, kPhone));
        m_view.showValues();
        m_view.setRegionName(RegionName(m_session.db(), city, m_ui), city);
        m_view.setLevelName(CodeName(m_levelCodes, kNewLevel), kNewLevel);
    } else {
        m_currentCode = row->value(kCode).toLongLong();
        m_values.loadRow(*row);
        m_view.showValues();
        CoverValidation cover(m_session.db(), m_ui, *this);
        cover.c903ExitSilent();
        cover.c904ExitSilent();
    }
    ApplyLevelRules(m_values.number(kLevel));
    // Showing the values marked the record changed; as loaded it is not.
    setState(false, false, m_printable);
    m_view.recordLoaded();
    m_loaded = true;
}

// ---------------------------------------------------------------------------
// Changes, gates and level rules

void RecordEditing::setNumber(const QString &name, qint64 value)
{
    m_values.setNumber(name, value);
    markChanged();
    // While loading, the level rules at the end decide for every gate at once.
    if (m_loaded && m_rules.isGate(name))
        refreshOpen();
}

void RecordEditing::setText(const QString &name, const QString &text)
{
    m_values.setText(name, text);
    markChanged();
}

void RecordEditing::markChanged()
{
    setState(true, true, false);
}

void RecordEditing::dropChanges()
{
    setState(m_holdPending, false, m_printable);
}

void RecordEditing::setState(bool holdPending, bool savePending, bool printable)
{
    if (holdPending == m_holdPending && savePending == m_savePending && printable == m_printable)
        return;
    m_holdPending = holdPending;
    m_savePending = savePending;
    m_printable = printable;
    m_view.showState();
}

void RecordEditing::refreshOpen()
{
    if (m_values.applyRules())
        m_view.showValues();
}

void RecordEditing::ApplyLevelRules(qint64 level)
{
    m_view.showLevel(level);
    if (m_values.setNumber(kLevel, level))
        markChanged();
    refreshOpen();
}

void RecordEditing::setBoxText(CoverBox box, const QString &text)
{
    setText(coverBoxName(box), text);
    m_view.showValues();
}

void RecordEditing::leaveCoverBox(const QString &name)
{
    if (!m_loaded)
        return;
    CoverValidation cover(m_session.db(), m_ui, *this);
    if (name == QLatin1String("c902"))
        cover.c902Exit();
    else if (name == kRegion)
        cover.c903Exit();
    else if (name == kLevel)
        cover.c904Exit();
    else if (name == kFiller)
        cover.c905Exit();
    else if (name == kPhone)
        cover.c906Exit();
}

// ---------------------------------------------------------------------------
// Checks

bool RecordEditing::checkCover()
{
    try {
        return CoverValidation(m_session.db(), m_ui, *this).CheckCover();
    } catch (const Error &e) {
        m_ui.message(generalErrorMessage(e.text()));
        return false;
    }
}

bool RecordEditing::checkAllPages()
{
    try {
        return logic::PageRules(m_session.db(), m_session.fieldHints(), m_values, m_errors, m_ui).CheckAllPages();
    } catch (const Error &e) {
        m_ui.message(e.text());
        return m_errors.IsListEmpty();
    }
}

bool RecordEditing::checkPageRules(int page, bool clearFirst)
{
    try {
        return logic::PageRules(m_session.db(), m_session.fieldHints(), m_values, m_errors, m_ui)
            .CheckPageRules(page, clearFirst);
    } catch (const Error &e) {
        m_ui.message(e.text());
        return m_errors.IsListEmpty();
    }
}

bool RecordEditing::pageChangeAllowed(int from, int to, bool jumpInProgress)
{
    if (!m_loaded)
        return true;
    m_errors.ClearList();
    // Leaving the cover checks the cover; the page rules then only run for
    // a jump from the error list.
    bool rules = true;
    if (from == 0) {
        if (!checkCover())
            return false;
        rules = jumpInProgress;
    }
    if (rules) {
        checkPageRules(to, true);
        if (from != 0)
            checkPageRules(from, false);
    }
    return true;
}

bool RecordEditing::checkRecord()
{
    if (!checkCover())
        return false;
    checkAllPages();
    if (m_errors.IsListEmpty()) {
        m_ui.message(QStringLiteral("没有逻辑错误"));
        m_view.hideErrorList();
        return false;
    }
    m_errors.ShowList();
    return true;
}

// ---------------------------------------------------------------------------
// Saving

bool RecordEditing::SaveRecord(SaveKind kind)
{
    SurveyRecordStore::Values values = m_values.columns();
    values.append({QStringLiteral("RecordState"), int(kind)});
    values.append({QStringLiteral("stats"), ProcessorSignature()});
    try {
        SurveyRecordStore(m_session.db()).save(values, appending(), m_currentCode);
    } catch (const Error &e) {
        m_ui.message(QStringLiteral("保存过程中遇到错误：") + e.text() + QStringLiteral("数据没有被保存。"));
        return false;
    }
    m_currentCode = m_values.number(kCode);
    return true;
}

void RecordEditing::requeryList()
{
    // While adding, the editor has no navigation to keep up to date.
    if (m_list.isOpen() && !m_adding) {
        try {
            m_list.requery(m_session.db());
        } catch (const Error &e) {
            m_ui.message(generalErrorMessage(e.text()));
        }
    }
    if (m_saved)
        m_saved();
}

bool RecordEditing::saveTemporarily()
{
    if (!checkCover() || !SaveRecord(SaveKind::Temporary))
        return false;
    requeryList();
    m_savedOnce = true;
    // A full save with the page rules may still follow.
    setState(false, m_savePending, m_printable);
    m_ui.message(QStringLiteral("数据已经被临时保存。"));
    return true;
}

bool RecordEditing::save(bool fromClosePrompt)
{
    if (!checkCover())
        return false;
    if (!fromClosePrompt)
        checkAllPages();
    const bool clean = m_errors.IsListEmpty();
    if (!SaveRecord(clean ? SaveKind::Clean : SaveKind::WithErrors))
        return false;
    requeryList();
    setState(false, false, m_printable);
    m_savedOnce = false;
    m_ui.message(clean ? QStringLiteral("数据保存成功，没有逻辑错误！") : QStringLiteral("数据保存成功，有逻辑错误！"));
    // The next organisation is most likely filled in by the same person, in the same region.
    m_settings.writeInteger(Settings::EnvKey, kLastCity, int(m_values.number(kRegion)));
    m_settings.writeString(Settings::DataKey, kFiller, m_values.text(kFiller));
    m_settings.writeString(Settings::DataKey, kPhone, m_values.text(kPhone));
    if (m_adding)
        loadRecord();
    return true;
}

bool RecordEditing::closeQuery()
{
    if (isDirty() &&
        m_ui.confirm(QStringLiteral("对数据改动后尚未保存，准备保存这些改动吗？"), QStringLiteral("提示信息"), false)) {
        if (!checkCover())
            return false;
        checkAllPages();
        m_view.hideErrorList();
        if (m_errors.IsListEmpty()) {
            save(true);
        } else if (SaveRecord(SaveKind::Temporary)) {
            requeryList();
            m_savedOnce = true;
            setState(false, false, m_printable);
        }
        return true;
    }
    m_view.hideErrorList();
    return true;
}

// ---------------------------------------------------------------------------
// Navigation

bool RecordEditing::navigate(Move where)
{
    if (m_list.isEmpty() || !closeQuery())
        return false;
    switch (where) {
    case Move::First:
        m_list.first();
        break;
    case Move::Prev:
        m_list.prev();
        break;
    case Move::Next:
        m_list.next();
        break;
    case Move::Last:
        m_list.last();
        break;
    }
    m_printCode = m_list.currentCode().value_or(0);
    loadRecord();
    return true;
}

QString RecordEditing::positionText() const
{
    const int count = m_list.rowCount();
    if (count < 2)
        return QStringLiteral("第1条/共1条");
    return QStringLiteral("第%1条/共%2条").arg(m_list.currentRow() + 1).arg(count);
}

} // namespace tq::entry
