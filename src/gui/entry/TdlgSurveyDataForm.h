#pragma once

#include "app/RecordList.h"
#include "app/Settings.h"
#include "entry/RecordEditing.h"
#include "logic/TMessageListWinForm.h"

#include <QDialog>
#include <QHash>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QTabWidget;
class QTextBrowser;
class QVBoxLayout;
class QToolButton;
class QWidget;

namespace tq {
class Interaction;
class Session;
} // namespace tq
namespace tq::db {
class FieldCatalogue;
} // namespace tq::db
namespace tq::entry {
struct LayoutPage;
}

namespace tq::gui {

class EntryPage;
class TButtonBox;
class TKvValidEdit;
class TNumberEdit;

// 基层以上单位数据: the window in which one organisation's survey record is
// typed, corrected, checked and saved. The record itself, and every decision
// about it, is entry::RecordEditing; the window shows it, hands each change
// of a box in (boxes are named after their dt_data columns) and walks the
// boxes from the keyboard.
class TdlgSurveyDataForm : public QDialog, public entry::RecordEditingView, public MessageJumpTarget {
    Q_OBJECT
public:
    TdlgSurveyDataForm(Session &session, Settings &settings, Interaction &ui, Preferences &prefs,
                       QWidget *parent = nullptr);
    ~TdlgSurveyDataForm() override;

    entry::RecordEditing &editing() { return *m_record; }
    // The records to walk with the navigation buttons, starting at the
    // list's current record; the window keeps its own copy. After each save
    // it re-reads that copy and calls `saved`, so that the opener can
    // re-read its own list.
    void setRecordList(const RecordList &list, std::function<void()> saved);
    const RecordList &recordList() const { return m_record->recordList(); }
    void setCatalogue(const db::FieldCatalogue *catalogue) { m_record->setCatalogue(catalogue); }
    // Prints the record with the given code (the print-out of this window).
    void setPrinter(std::function<void(qint64)> print) { m_print = std::move(print); }
    void setAdding(bool adding) { m_record->setAdding(adding); }
    void setPrintCode(qint64 code) { m_record->setPrintCode(code); }
    qint64 PrintCode() const { return m_record->printCode(); }

    // What FormShow does; exec() calls it.
    void FormShow();
    int exec() override;

    void LoadRecord() { m_record->loadRecord(); }
    void tbHoldClick() { m_record->saveTemporarily(); }
    void tbSaveClick() { m_record->save(); }
    void tbCheckClick();
    void tbPrintClick();
    void tbReturnClick();
    // The closing logic, also run before every navigation step: false keeps
    // the window (and the record) where it is.
    bool FormCloseQuery() { return m_record->closeQuery(); }
    void actFirstExecute() { m_record->navigate(entry::RecordEditing::Move::First); }
    void actPrevExecute() { m_record->navigate(entry::RecordEditing::Move::Prev); }
    void actNextExecute() { m_record->navigate(entry::RecordEditing::Move::Next); }
    void actLastExecute() { m_record->navigate(entry::RecordEditing::Move::Last); }

    // Page change with its checks; false when the cover check refused it.
    bool changePage(int index);
    int currentPage() const;
    void FocusFirstBox();
    void FocusNextBox(QWidget *from) { walk(from, false); }
    void FocusPrevBox(QWidget *from) { walk(from, true); }
    void ApplyLevelRules(qint64 level) { m_record->ApplyLevelRules(level); }

    // Boxes by component name (case-insensitive); null when there is none.
    TNumberEdit *numberBox(const QString &name) const;
    TKvValidEdit *textBox(const QString &name) const;
    QWidget *box(const QString &name) const;
    TButtonBox *cityNameCtrl() const { return m_cityName; }
    TButtonBox *levelName() const { return m_levelName; }
    QTabWidget *DataPage() const { return m_pages; }
    QTextBrowser *notes() const { return m_notes; }
    QLabel *itemNo() const { return m_itemNo; }
    QToolButton *tbHold() const { return m_tbHold; }
    QToolButton *tbSave() const { return m_tbSave; }
    QToolButton *tbAdd() const { return m_tbAdd; }
    QToolButton *tbPrint() const { return m_tbPrint; }
    QWidget *navBar() const { return m_navBar; }
    QAction *navAction(int which) const { return m_nav[which]; }
    TMessageListWinForm *errorList() const { return m_errors.get(); }
    // Boxes of a page in the order the keyboard walks them.
    const std::vector<QWidget *> &pageBoxes(int page) const { return m_walk[std::size_t(page)]; }
    bool isDirty() const { return m_record->isDirty(); }

    // entry::RecordEditingView
    void showValues() override;
    void showLevel(qint64 level) override;
    void showState() override;
    void recordLoaded() override;
    void focusBox(entry::CoverBox box) override;
    void showCoverPage() override { showPage(0); }
    void setRegionName(const QString &name, qint64 code) override;
    void setLevelName(const QString &name, qint64 code) override;
    void hideErrorList() override;

    // MessageJumpTarget
    void switchToPage(int index) override { changePage(index); }
    void focusBoxByName(const QString &name) override;
    QList<QRect> areasToKeepClear() const override;

    // The page (0..13) as a scrolling sheet.
    EntryPage *entryPage(int index) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void reject() override;

private:
    void buildToolBar(QVBoxLayout *layout);
    QWidget *buildCover();
    QWidget *buildTablePage(const entry::LayoutPage &page);
    TNumberEdit *addNumberBox(const QString &name, int page, QWidget *parent);
    TKvValidEdit *addTextBox(const QString &name, int maxChars, QWidget *parent);
    void walk(QWidget *from, bool back);
    void LoadNotes(int page);
    void cityNameButtonClick();
    void levelNameButtonClick();
    void showPage(int index);
    void placeOnScreen();
    // Keeps the boxes clear of the error list where it covers the pages.
    void followErrorList();
    void reveal(QWidget *box);

    Session &m_session;
    Interaction &m_ui;
    Preferences &m_prefs;
    std::function<void(qint64)> m_print;
    std::unique_ptr<TMessageListWinForm> m_errors;
    std::unique_ptr<entry::RecordEditing> m_record;
    QString m_notesFolder;
    bool m_changingPage = false;

    QTabWidget *m_pages = nullptr;
    QTextBrowser *m_notes = nullptr;
    QHash<QString, TNumberEdit *> m_numbers;
    QHash<QString, TKvValidEdit *> m_texts;
    QHash<QString, int> m_pageOf;
    std::vector<std::vector<QWidget *>> m_walk;
    TButtonBox *m_cityName = nullptr;
    TButtonBox *m_levelName = nullptr;
    QToolButton *m_tbHold = nullptr, *m_tbSave = nullptr, *m_tbAdd = nullptr, *m_tbCheck = nullptr,
                *m_tbPrint = nullptr, *m_tbReturn = nullptr;
    QWidget *m_navBar = nullptr;
    QAction *m_nav[4] = {};
    QLabel *m_itemNo = nullptr;
};

} // namespace tq::gui
