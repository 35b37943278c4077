#pragma once

#include "app/RecordList.h"
#include "app/Settings.h"
#include "entry/CoverValidation.h"
#include "logic/PageRules.h"
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

namespace tq::gui {

class TButtonBox;
class TKvValidEdit;
class TNumberEdit;

// 基层以上单位数据: the window in which one organisation's survey record is
// typed, corrected, checked and saved. Boxes are named after their dt_data
// columns and bound through the field catalogue.
class TdlgSurveyDataForm : public QDialog,
                           public entry::CoverView,
                           public logic::BoxValues,
                           public MessageJumpTarget {
    Q_OBJECT
public:
    enum class SaveKind { Temporary = 0, Clean = 1, WithErrors = 2 };
    static constexpr int kPageCount = 14;
    static constexpr int kLastPage = 13;

    TdlgSurveyDataForm(Session &session, Settings &settings, Interaction &ui, Preferences &prefs,
                       QWidget *parent = nullptr);
    ~TdlgSurveyDataForm() override;

    // The records to walk with the navigation buttons, starting at the
    // list's current record; the window keeps its own copy. After each save
    // it re-reads that copy and calls `saved`, so that the opener can
    // re-read its own list.
    void setRecordList(const RecordList &list, std::function<void()> saved);
    const RecordList &recordList() const { return m_list; }
    void setCatalogue(const db::FieldCatalogue *catalogue) { m_catalogue = catalogue; }
    // Prints the record with the given code (the print-out of this window).
    void setPrinter(std::function<void(qint64)> print) { m_print = std::move(print); }
    void setAdding(bool adding) { m_isAdding = adding; }
    void setPrintCode(qint64 code) { m_printCode = code; }
    qint64 PrintCode() const { return m_printCode; }

    // What FormShow does; exec() calls it.
    void FormShow();
    int exec() override;

    void LoadRecord();
    bool SaveRecord(SaveKind kind, bool appending);
    void tbHoldClick();
    void tbSaveClick() { save(false); }
    void tbCheckClick();
    void tbPrintClick();
    void tbReturnClick();
    // The closing logic, also run before every navigation step: false keeps
    // the window (and the record) where it is.
    bool FormCloseQuery();
    void actFirstExecute() { navigate(0); }
    void actPrevExecute() { navigate(1); }
    void actNextExecute() { navigate(2); }
    void actLastExecute() { navigate(3); }

    // Page change with its checks; false when the cover check refused it.
    bool changePage(int index);
    int currentPage() const;
    void FocusFirstBox();
    void FocusNextBox(QWidget *from);
    void FocusPrevBox(QWidget *from);
    void ApplyLevelRules(qint64 level) override;

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
    bool isDirty() const;

    // entry::CoverView
    qint64 boxValue(entry::CoverBox box) const override;
    QString boxText(entry::CoverBox box) const override;
    void setBoxText(entry::CoverBox box, const QString &text) override;
    void focusBox(entry::CoverBox box) override;
    bool IsAdding() const override { return m_isAdding; }
    qint64 CurrentCode() const override { return m_currentCode; }
    const entry::CodeList &LevelCodes() const override { return m_levelCodes; }
    bool Loaded() const override { return m_loaded; }
    void disableSaveButtons() override;
    void showCoverPage() override;
    void setRegionName(const QString &name, qint64 code) override;
    void setLevelName(const QString &name, qint64 code) override;

    // logic::BoxValues
    Kind boxKind(const QString &name) const override;
    qint64 boxValue(const QString &name) const override;

    // MessageJumpTarget
    void switchToPage(int index) override { changePage(index); }
    void focusBoxByName(const QString &name) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildToolBar(QVBoxLayout *layout);
    QWidget *buildCover();
    QWidget *buildTablePage(int page, const QStringList &lines, const QString &title, const QString &note);
    void buildTablePages();
    TNumberEdit *addNumberBox(const QString &name, QWidget *parent);
    TKvValidEdit *addTextBox(const QString &name, int maxChars, QWidget *parent);
    void wireBox(QWidget *box);
    void ContentChange();
    void gateChanged();
    void refreshEnabled();
    void LoadNotes(int page);
    bool save(bool fromClosePrompt);
    void requeryList();
    void navigate(int where);
    void updateNavigation();
    void cityNameButtonClick();
    void levelNameButtonClick();
    void coverExit(const QString &name);
    const db::FieldCatalogue &catalogue();
    bool checkCover();
    bool checkAllPages();
    bool checkPageRules(int page, bool clearFirst);
    void showPage(int index);

    Session &m_session;
    Settings &m_settings;
    Interaction &m_ui;
    Preferences &m_prefs;
    const db::FieldCatalogue *m_catalogue = nullptr;
    std::unique_ptr<db::FieldCatalogue> m_ownCatalogue;
    RecordList m_list;
    std::function<void()> m_saved;
    std::function<void(qint64)> m_print;
    std::unique_ptr<TMessageListWinForm> m_errors;

    bool m_isAdding = false;
    bool m_savedOnce = false;
    bool m_loaded = false;
    bool m_changingPage = false;
    qint64 m_printCode = 0;
    qint64 m_currentCode = 0;
    entry::CodeList m_levelCodes;
    QString m_notesFolder;

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
