#pragma once

#include "app/RecordSelection.h"
#include "common/Interaction.h"
#include "common/ProgressEstimate.h"

#include <QDialog>
#include <QTimer>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QRadioButton;
class QToolButton;

namespace tq {
class Interaction;
class Session;
} // namespace tq

namespace tq::gui {

// 选择检查的方式: checks the selected records, all records or a code range,
// shows the progress of the run and lets it be paused and stopped.
class TdlgCheckForm : public QDialog, public Progress {
    Q_OBJECT
public:
    struct Hooks {
        std::function<RecordSelection()> selection; // the main list's marked records (none when it has no rows)
        std::function<void()> refreshList;          // re-run the main list and return to its row
    };

    TdlgCheckForm(Session &session, Interaction &ui, QString reportFolder, Hooks hooks, QWidget *parent = nullptr);

    void tbCheckClick();
    void tbPauseClick();
    void tbResumeClick();
    void tbReturnClick();
    void Timer1Timer();

    void StartProgress(int total, int done);
    void StepProgress();
    bool paused() const { return m_paused; }
    bool stopRequested() const { return m_stopRequested; }

    // Progress: the run's bar is the dialog's own.
    void start(int total, int done) override { StartProgress(total, done); }
    void advance() override { StepProgress(); }
    void setCaption(const QString &) override {}
    void finish() override {}
    bool pauseRequested() const override { return m_paused; }

    bool isChecking() const { return m_checking; }
    QRadioButton *selectedChoice() const { return m_selected; }
    QRadioButton *allChoice() const { return m_all; }
    QRadioButton *rangeChoice() const { return m_range; }
    QLineEdit *lowEdit() const { return m_low; }
    QLineEdit *highEdit() const { return m_high; }
    QToolButton *checkButton() const { return m_tbCheck; }
    QToolButton *pauseButton() const { return m_tbPause; }
    QToolButton *resumeButton() const { return m_tbResume; }
    QToolButton *returnButton() const { return m_tbReturn; }
    QProgressBar *bar() const { return m_bar; }
    QLabel *doneLabel() const { return m_label2; }
    QLabel *leftLabel() const { return m_label3; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void setChecking(bool checking);
    void runCheck(const RecordSelection &selection, bool markPassed);
    void showProgress(bool force);

    Session &m_session;
    Interaction &m_ui;
    QString m_folder;
    Hooks m_hooks;
    QRadioButton *m_selected, *m_all, *m_range;
    QLineEdit *m_low, *m_high;
    QCheckBox *m_changeState;
    QGroupBox *m_progressBox;
    QProgressBar *m_bar;
    QLabel *m_label1, *m_label2, *m_label3, *m_spinner;
    QToolButton *m_tbCheck, *m_tbPause, *m_tbResume, *m_tbReturn;
    QTimer m_timer;
    ProgressEstimate m_estimate;
    qint64 m_lastPaint = 0;
    int m_spin = 0;
    bool m_paused = false;
    bool m_stopRequested = false;
    bool m_checking = false;
    bool m_closeWhenDone = false;
};

} // namespace tq::gui
