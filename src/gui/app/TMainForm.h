#pragma once

#include "app/Settings.h"
#include "app/VersionInfo.h"

#include <QHash>
#include <QMainWindow>

class QAction;
class QLabel;
class QTimer;

namespace tq {
class Interaction;
class Session;
} // namespace tq

namespace tq::gui {

// The main window: the only place where commands start. It dispatches each
// command to the class that does its work.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    TMainForm(Session &session, Settings &settings, Interaction &ui, const Preferences &prefs,
              QWidget *parent = nullptr);
    ~TMainForm() override;

    QAction *action(const QString &name) const { return m_actions.value(name); }
    const QHash<QString, QAction *> &actions() const { return m_actions; }
    QString statusText() const;
    // Re-reads the record list after records changed.
    void refreshRecords();
    // Shows the about box as the start-up splash.
    void showSplash();

    void actOpenDBExecute();
    void actOpenDefaultExecute();
    void actLabelExecute();
    void actAboutExecute();

signals:
    // The default database is gone: the program has to end.
    void endRequested();

private:
    void createActions();
    void createMenus();
    void createStatusBar();
    QAction *addAction(const QString &name, const QString &caption);
    void placeholder(const QString &caption);
    void databaseOpened();

    Session &m_session;
    Settings &m_settings;
    Interaction &m_ui;
    Preferences m_prefs;
    VersionInfo m_version;
    QHash<QString, QAction *> m_actions;
    QLabel *m_summary = nullptr;
    QLabel *m_statusInfo = nullptr;
    QLabel *m_clock = nullptr;
    QTimer *m_clockTimer = nullptr;
};

} // namespace tq::gui
