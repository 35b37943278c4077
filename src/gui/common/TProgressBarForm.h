#pragma once

#include "common/Interaction.h"
#include "common/ProgressEstimate.h"

#include <QDialog>
#include <QTimer>

class QLabel;
class QProgressBar;

namespace tq::gui {

// The shared progress window: one bar, the parts done and left, and after a
// few seconds the time spent and the time still needed.
class TProgressBarForm : public QDialog, public Progress {
    Q_OBJECT
public:
    explicit TProgressBarForm(QWidget *parent = nullptr);

    void InitProgress(int total, int done);
    void AdvanceProgress();
    // One step of the 100 ms timer (public so that tests can drive the clock).
    void tick();

    QProgressBar *bar() const { return m_bar; }
    QLabel *doneLabel() const { return m_doneLabel; }
    QLabel *leftLabel() const { return m_leftLabel; }
    bool timerRunning() const { return m_timer.isActive(); }
    const ProgressEstimate &estimate() const { return m_estimate; }

    // Progress
    void start(int total, int done) override;
    void advance() override;
    void advanceBy(int parts) override;
    void setCaption(const QString &caption) override { setWindowTitle(caption); }
    void finish() override { hide(); }

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void showTexts();

    QProgressBar *m_bar;
    QLabel *m_doneLabel;
    QLabel *m_leftLabel;
    QLabel *m_spinner;
    int m_spin = 0;
    QTimer m_timer;
    ProgressEstimate m_estimate;
};

// Two bars for nested work: the whole run and the task in hand.
class TProgressBar2LineForm : public QDialog, public TwoLineProgress {
    Q_OBJECT
public:
    explicit TProgressBar2LineForm(QWidget *parent = nullptr);
    void InitFirst(int n);
    void InitSecond(int n);
    void IncFirst();
    void IncSecond();

    // TwoLineProgress
    void show() override { QDialog::show(); }
    void initFirst(int total) override { InitFirst(total); }
    void initSecond(int total) override { InitSecond(total); }
    void incFirst() override { IncFirst(); }
    void incSecond() override { IncSecond(); }
    void finish() override { hide(); }
    QProgressBar *first() const { return m_first; }
    QProgressBar *second() const { return m_second; }

private:
    QProgressBar *m_first;
    QProgressBar *m_second;
};

} // namespace tq::gui
