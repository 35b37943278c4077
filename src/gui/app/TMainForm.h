#pragma once

#include "app/RecordList.h"
#include "app/RecordSelection.h"
#include "app/Settings.h"
#include "app/VersionInfo.h"
#include "db/FieldCatalogue.h"

#include <QMainWindow>
#include <array>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QStackedWidget;
class QTableView;
class QTimer;
class QToolButton;
class QToolBox;

namespace tq {
class Interaction;
class Session;
} // namespace tq

namespace tq::query {
struct SqlCondition;
}

namespace tq::gui {

class RecordListModel;
class TdlgSurveyDataForm;

// The main window: the record list of the open database and the only place
// where commands start. It dispatches each command to the class that does
// its work and re-runs its list afterwards.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // Every command of the window, in the order of the command table.
    enum class Cmd {
        AddNew,
        Modify,
        Delete,
        FastImport,
        MultiImport,
        Import,
        Export,
        Backup,
        Compress,
        OpenDB,
        OpenDefault,
        Label,
        About,
        Options,
        Check,
        CheckSelected,
        Sum,
        Group,
        GroupImport,
        GroupExport,
        ConditionSearch,
        Locate,
        Search,
        RecordGrid,
        SaveList,
        Print,
        Exit,
    };
    static constexpr int kCommandCount = int(Cmd::Exit) + 1;
    // One row of the command table: name, caption, icon and handler.
    struct CommandInfo;

    TMainForm(Session &session, Settings &settings, Interaction &ui, Preferences &prefs, QWidget *parent = nullptr);
    ~TMainForm() override;

    QAction *action(Cmd cmd) const { return m_actions[std::size_t(cmd)]; }
    QString statusText() const;
    void showSplash();

    // The record list: the columns the list shows, from view_data in code order.
    RecordList &recordList() { return m_list; }
    const db::FieldCatalogue &catalogue() const { return m_catalogue; }
    QTableView *recordGrid() const { return m_grid; }
    RecordListModel *recordModel() const { return m_model; }
    bool listHasRows() const { return m_list.isOpen() && !m_list.isEmpty(); }
    bool isListShown() const { return m_listShown; }
    // The c901 of the selected rows (the current row when none is selected).
    QList<qint64> selectedCodes() const;
    // The same as a record selection; it selects nothing when the list has no rows.
    RecordSelection selection() const { return RecordSelection::codes(selectedCodes()); }

    // Builds the columns from the catalogue and opens the list.
    void buildRecordList();
    // Re-runs the list after records changed and returns to the current record.
    void requeryAndReturn();
    void setListShown(bool shown);
    void toggleList() { setListShown(!m_listShown); }
    // Enabling rules of the commands.
    void updateActions();

    void actOpenDBExecute();
    void actOpenDefaultExecute();
    void actLabelExecute();
    void actAboutExecute();
    void actOptionsExecute();
    void actCheckExecute();
    void actCheckSelectedExecute();
    void actAddNewExecute();
    void actModifyExecute();
    void actPrintExecute();
    void actSumExecute();
    void actGroupExecute();
    void actGroupImportExecute();
    void actGroupExportExecute();
    void actExportExecute();
    void actFastImportExecute();
    void actMultiImportExecute();
    void actImportExecute();
    void actBackupExecute();
    void actCompressExecute();
    void actDeleteExecute();
    void actSaveListExecute();
    void actConditionSearchExecute();
    void actSearchExecute();
    void actLocateExecute();
    void actRecordGridExecute();
    // The result list of a query, modal; the record editor works on its rows.
    void showQueryResults(const query::SqlCondition &condition);
    // The record editor on the records of another list than the main one.
    void editRecordsOf(RecordList &list);
    // The c901 of the marked rows in the order they were marked (none when
    // no row is marked).
    QList<qint64> markedCodes() const;
    // The print-out of one record through a template beside the program.
    void printRecord(const QString &templatePath, qint64 code, bool activateFirstSheet);
    // The record editor, created on first use and kept.
    TdlgSurveyDataForm *surveyForm();

signals:
    // The default database is gone: the program has to end.
    void endRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createActions();
    void createMenus();
    void createSideBar();
    void createCentre();
    void createStatusBar();
    void placeholder(const QString &caption);
    // Runs a command's work through the command runner; with `changesRecords`
    // the list is re-run and returns to its row afterwards, whatever happened.
    void run(const std::function<void()> &work, bool changesRecords = false);
    void syncCurrentToGrid();
    // The list's current record shown in the grid; marked rows stay marked.
    void showCurrentKeepingMarks();
    // Re-runs the list after a query dialog; a failure here is not shown.
    void requeryQuietly();
    void showContextMenu(const QPoint &pos);
    void openEditor(bool adding);

    Session &m_session;
    Settings &m_settings;
    Interaction &m_ui;
    Preferences &m_prefs;
    VersionInfo m_version;
    std::array<QAction *, kCommandCount> m_actions{};
    RecordList m_list;
    db::FieldCatalogue m_catalogue;
    RecordListModel *m_model = nullptr;
    QTableView *m_grid = nullptr;
    QStackedWidget *m_listArea = nullptr;
    QToolButton *m_toggle = nullptr;
    QLabel *m_hiddenHint = nullptr;
    QToolBox *m_sideBar = nullptr;
    QMenu *m_contextMenu = nullptr;
    TdlgSurveyDataForm *m_surveyForm = nullptr;
    bool m_listShown = true;
    int m_pressedInList = 0; // the key last pressed in the record list, until released
    QLabel *m_statusInfo = nullptr;
    QLabel *m_clock = nullptr;
    QTimer *m_clockTimer = nullptr;
};

} // namespace tq::gui
