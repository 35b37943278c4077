#pragma once

#include <QList>
#include <QString>

namespace tq {
class Interaction;
}
namespace tq::db {
class Database;
}

namespace tq::entry {

// One entry of a code list (level codes, operator lists): the code and the
// name shown for it.
struct CodeItem {
    qint64 code = 0;
    QString name;
};
using CodeList = QList<CodeItem>;

enum class CoverBox { c901, c902, c903, c904, c905, c906 };
// The component name of a cover box ("c901" ...).
QString coverBoxName(CoverBox box);

// What the cover checks need of the record editor. The editor reads its own
// boxes: numeric boxes with their blank values applied (c901 blank reads 1,
// c904 blank reads 10), text boxes as typed.
class CoverView {
public:
    virtual ~CoverView() = default;

    // c901, c903 and c904.
    virtual qint64 boxValue(CoverBox box) const = 0;
    // c902, c905 and c906, untrimmed.
    virtual QString boxText(CoverBox box) const = 0;
    virtual void setBoxText(CoverBox box, const QString &text) = 0;
    virtual void focusBox(CoverBox box) = 0;

    virtual bool IsAdding() const = 0;
    // c901 of the record as loaded or last saved; 0 for a new record before its first save.
    virtual qint64 CurrentCode() const = 0;
    virtual const CodeList &LevelCodes() const = 0;
    // false while a record is being loaded.
    virtual bool Loaded() const = 0;

    // tbHold and tbSave, until the next change.
    virtual void disableSaveButtons() = 0;
    virtual void showCoverPage() = 0;
    // CityNameCtrl: text := name, tag := code.
    virtual void setRegionName(const QString &name, qint64 code) = 0;
    // LevelName: tag := code, text := name.
    virtual void setLevelName(const QString &name, qint64 code) = 0;
    virtual void ApplyLevelRules(qint64 level) = 0;
};

// The cover check run before every save, check, close and page change away
// from the cover, and the checks made when a cover box is left. Every failure
// is a message and the focus on the offending box.
class CoverValidation {
public:
    static constexpr int kNameBytes = 60;   // c902
    static constexpr int kFillerBytes = 50; // c905
    static constexpr int kPhoneBytes = 50;  // c906

    CoverValidation(db::Database &db, Interaction &ui, CoverView &view);

    // true when the cover may be saved; otherwise the user has been told and
    // the focus is on the box to correct. A database failure of the duplicate
    // query is raised (DbError) to the command that asked.
    bool CheckCover();

    // Exit handlers; inert while the editor is loading.
    void c902Exit();
    void c905Exit();
    void c906Exit();
    void c903Exit();
    void c904Exit();
    // The forms run while loading a record: they work although Loaded is
    // false, show no message and still put the focus on an unknown code.
    void c903ExitSilent();
    void c904ExitSilent();

private:
    void textExit(CoverBox box, int maxBytes, const QString &emptyMessage);
    void regionExit(bool silent);
    void levelExit(bool silent);
    bool fail(const QString &text, CoverBox box);

    db::Database &m_db;
    Interaction &m_ui;
    CoverView &m_view;
};

// The combined region name of a six-digit code; "" for 99999 or less and for
// codes the table does not hold. A database failure is shown and yields "".
QString RegionName(db::Database &db, qint64 code, Interaction &ui);
// The name of the first entry with `code`, or "".
QString CodeName(const CodeList &list, qint64 code);
// The code of the first entry named exactly `name`, or 0.
qint64 CodeOf(const CodeList &list, const QString &name);
// The longest beginning of `text` that fits into `maxBytes` GBK bytes; a
// Chinese character counts two and is never split.
QString cutToGbkBytes(const QString &text, int maxBytes);
// CT_LevelCode without the "unclassified" row 0, by Sequence: the editor's LevelCodes.
CodeList loadLevelCodes(db::Database &db);

} // namespace tq::entry
