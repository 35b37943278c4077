#pragma once

#include "app/RecordList.h"
#include "entry/BoxRules.h"
#include "entry/CoverValidation.h"
#include "entry/RecordValues.h"

#include <functional>
#include <memory>

namespace tq {
class Interaction;
class Session;
class Settings;
} // namespace tq
namespace tq::db {
class FieldCatalogue;
}
namespace tq::logic {
class ErrorList;
}

namespace tq::entry {

// The strength of a save, stored as the record's RecordState.
enum class SaveKind { Temporary = 0, Clean = 1, WithErrors = 2 };

// What the record editing needs of the window that shows it.
class RecordEditingView {
public:
    virtual ~RecordEditingView() = default;
    // The record's values or its open boxes changed: the boxes show them. A
    // box that reads back another value than it was given (an empty box
    // reads its blank value) reports that through RecordEditing::setNumber.
    virtual void showValues() = 0;
    // c904 shows `level`, also when it is empty and would read the same.
    virtual void showLevel(qint64 level) = 0;
    // Whether there are changes to save, or the record may be printed, changed.
    virtual void showState() = 0;
    // A record was loaded or a new one begun: show its cover and its place in the list.
    virtual void recordLoaded() = 0;
    virtual void focusBox(CoverBox box) = 0;
    virtual void showCoverPage() = 0;
    virtual void setRegionName(const QString &name, qint64 code) = 0;
    virtual void setLevelName(const QString &name, qint64 code) = 0;
    virtual void hideErrorList() = 0;
};

// One survey record being typed into the record editor: its values, whether
// the editor adds a new record or modifies a stored one, what has been saved,
// and the decisions of loading, checking, saving and moving through the list.
// The window shows it and hands every change of a box in.
class RecordEditing : public CoverView {
public:
    RecordEditing(Session &session, Settings &settings, Interaction &ui, RecordEditingView &view,
                  logic::ErrorList &errors);
    ~RecordEditing() override;

    // The catalogue that binds the boxes; without one the session's own is read once.
    void setCatalogue(const db::FieldCatalogue *catalogue) { m_catalogue = catalogue; }
    const db::FieldCatalogue &catalogue();
    const BoxRules &rules() const { return m_rules; }
    RecordValues &values() { return m_values; }
    const RecordValues &values() const { return m_values; }

    // The records the navigation walks (a copy of the opener's list, at its
    // current record); after each save the copy is re-read and `saved` called.
    void setRecordList(const RecordList &list, std::function<void()> saved);
    const RecordList &recordList() const { return m_list; }
    void setAdding(bool adding) { m_adding = adding; }
    void setPrintCode(qint64 code) { m_printCode = code; }
    qint64 printCode() const { return m_printCode; }

    // Showing the editor: the level codes, then the record; printing is
    // offered for a stored record.
    void show();
    // The list's current record, or a new one when adding (or when the
    // current record cannot be read): a proposed code, the region, filler and
    // telephone of the last save, level 10.
    void loadRecord();

    // Changes of the boxes, as the window sees them: each marks the record
    // changed; an answer to a gate question opens or closes its boxes.
    void setNumber(const QString &name, qint64 value);
    void setText(const QString &name, const QString &text);
    void markChanged();
    // Decides again which boxes are open (after leaving a gate question).
    void refreshOpen();
    // The check made when a cover box (c902..c906) is left.
    void leaveCoverBox(const QString &name);

    // Changes that no save has taken yet (temporary or full).
    bool canSaveTemporarily() const { return m_holdPending; }
    // Changes that no full save has taken yet.
    bool canSave() const { return m_savePending; }
    bool canPrint() const { return m_printable; }
    // What closing asks about: changes neither kind of save has taken.
    bool isDirty() const { return m_holdPending && m_savePending; }
    bool savedOnce() const { return m_savedOnce; }
    // The next save writes a new row.
    bool appending() const { return m_adding && !m_savedOnce; }
    // Leaving without saving: closing then asks nothing.
    void dropChanges();

    bool checkCover();
    bool checkAllPages();
    bool checkPageRules(int page, bool clearFirst);
    // The checks before the page changes from `from` to `to`; false when
    // the cover check refuses to let the cover go.
    bool pageChangeAllowed(int from, int to, bool jumpInProgress);
    // The check button: true when logic errors were listed (and shown).
    bool checkRecord();

    // Writes the record as it stands; a failure is shown and leaves the
    // stored record as it was.
    bool SaveRecord(SaveKind kind);
    // Cover check, then a save with RecordState 0.
    bool saveTemporarily();
    // Cover check, the page rules (unless closing already ran them), then a
    // save with RecordState 1 or 2; remembers region, filler and telephone;
    // when adding, a new record is begun.
    bool save(bool fromClosePrompt = false);
    // Before closing or moving on: offers to save the changes (a full save
    // when the rules find nothing, else a temporary one). False keeps the record.
    bool closeQuery();

    enum class Move { First, Prev, Next, Last };
    // Closing logic, then the other record; false when nothing moved.
    bool navigate(Move where);
    QString positionText() const;
    bool navigationShown() const { return !m_adding && m_list.rowCount() > 1; }
    bool canMoveBack() const { return m_list.currentRow() > 0; }
    bool canMoveOn() const { return m_list.currentRow() >= 0 && m_list.currentRow() < m_list.rowCount() - 1; }

    // CoverView
    qint64 boxValue(CoverBox box) const override { return m_values.number(coverBoxName(box)); }
    QString boxText(CoverBox box) const override { return m_values.text(coverBoxName(box)); }
    void setBoxText(CoverBox box, const QString &text) override;
    void focusBox(CoverBox box) override { m_view.focusBox(box); }
    bool IsAdding() const override { return m_adding; }
    qint64 CurrentCode() const override { return m_currentCode; }
    const CodeList &LevelCodes() const override { return m_levelCodes; }
    bool Loaded() const override { return m_loaded; }
    void disableSaveButtons() override { setState(false, false, m_printable); }
    void showCoverPage() override { m_view.showCoverPage(); }
    void setRegionName(const QString &name, qint64 code) override { m_view.setRegionName(name, code); }
    void setLevelName(const QString &name, qint64 code) override { m_view.setLevelName(name, code); }
    void ApplyLevelRules(qint64 level) override;

private:
    void setState(bool holdPending, bool savePending, bool printable);
    void requeryList();

    Session &m_session;
    Settings &m_settings;
    Interaction &m_ui;
    RecordEditingView &m_view;
    logic::ErrorList &m_errors;
    const db::FieldCatalogue *m_catalogue = nullptr;
    std::unique_ptr<db::FieldCatalogue> m_ownCatalogue;
    BoxRules m_rules;
    RecordValues m_values;
    RecordList m_list;
    std::function<void()> m_saved;
    CodeList m_levelCodes;

    bool m_adding = false;
    bool m_savedOnce = false;
    bool m_loaded = false;
    bool m_holdPending = false;
    bool m_savePending = false;
    bool m_printable = false;
    qint64 m_currentCode = 0;
    qint64 m_printCode = 0;
};

} // namespace tq::entry
