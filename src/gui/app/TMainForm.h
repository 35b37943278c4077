#pragma once

#include "app/Settings.h"
#include "app/VersionInfo.h"
#include "db/FieldCatalogue.h"
#include "db/ResultSet.h"

#include <QHash>
#include <QMainWindow>

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

namespace tq::gui {

class RecordListModel;

// The main window: the record list of the open database and the only place
// where commands start. It dispatches each command to the class that does
// its work and re-runs its list afterwards.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    TMainForm(Session &session, Settings &settings, Interaction &ui, Preferences &prefs,
              QWidget *parent = nullptr);
    ~TMainForm() override;

    QAction *action(const QString &name) const { return m_actions.value(name); }
    const QHash<QString, QAction *> &actions() const { return m_actions; }
    QString statusText() const;
    void showSplash();

    // The record list query ("SELECT *  from view_data order by c901 asc").
    db::ResultSet &records() { return m_records; }
    const db::FieldCatalogue &catalogue() const { return m_catalogue; }
    QTableView *recordGrid() const { return m_grid; }
    RecordListModel *recordModel() const { return m_model; }
    bool listHasRows() const { return m_records.isOpen() && m_records.rowCount() > 0; }
    bool isListShown() const { return m_listShown; }
    // The c901 of the selected rows (the current row when none is selected).
    QList<qint64> selectedCodes() const;

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
    void actAddNewExecute();
    void actPrintExecute();
    // The print-out of one record through a template beside the program.
    void printRecord(const QString &templatePath, qint64 code, bool activateFirstSheet);
    void actModifyExecute();
    // The record editor, created on first use and kept.
    class TdlgSurveyDataForm *surveyForm();
    void actCheckSelectedExecute();
    // The selection as the statement a check of the selected rows runs; empty
    // when the list has no rows.
    QString selectionStatement() const;

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
    QAction *addCommand(const QString &name, const QString &caption);
    void placeholder(const QString &caption);
    void databaseOpened();
    void syncCurrentToGrid();
    void showContextMenu(const QPoint &pos);

    Session &m_session;
    Settings &m_settings;
    Interaction &m_ui;
    Preferences &m_prefs;
    VersionInfo m_version;
    QHash<QString, QAction *> m_actions;
    db::ResultSet m_records;
    db::FieldCatalogue m_catalogue;
    RecordListModel *m_model = nullptr;
    QTableView *m_grid = nullptr;
    QStackedWidget *m_listArea = nullptr;
    QToolButton *m_toggle = nullptr;
    QLabel *m_hiddenHint = nullptr;
    QToolBox *m_sideBar = nullptr;
    QMenu *m_contextMenu = nullptr;
    class TdlgSurveyDataForm *m_surveyForm = nullptr;
    bool m_listShown = true;
    QLabel *m_statusInfo = nullptr;
    QLabel *m_clock = nullptr;
    QTimer *m_clockTimer = nullptr;
};

} // namespace tq::gui
