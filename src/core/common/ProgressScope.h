#pragma once

#include "common/Interaction.h"

#include <functional>

namespace tq {

// Progress that nobody watches.
class NullProgress : public Progress {
public:
    void start(int, int) override {}
    void advance() override {}
    void setCaption(const QString &) override {}
    void finish() override {}
};

// Closes a progress window however the work that opened it ends: normally,
// by an error, or by a stop.
class ProgressScope {
public:
    explicit ProgressScope(Progress &progress) : m_progress(progress) {}
    ProgressScope(Progress &progress, int total, int done = 0) : m_progress(progress) { start(total, done); }
    ~ProgressScope() { m_progress.finish(); }
    ProgressScope(const ProgressScope &) = delete;
    ProgressScope &operator=(const ProgressScope &) = delete;

    void start(int total, int done = 0) { m_progress.start(total, done); }
    void advance() { m_progress.advance(); }
    Progress &progress() { return m_progress; }

private:
    Progress &m_progress;
};

// The same questions and messages as `base`, but progress goes to another
// window (a dialog's own bar) and stopping is that window's to ask for.
class InteractionWithProgress : public Interaction {
public:
    InteractionWithProgress(Interaction &base, Progress &progress, std::function<bool()> stopRequested)
        : m_base(base), m_progress(progress), m_stop(std::move(stopRequested))
    {
    }

    void message(const QString &text) override { m_base.message(text); }
    bool confirm(const QString &text, const QString &caption, bool yesByDefault) override
    {
        return m_base.confirm(text, caption, yesByDefault);
    }
    int askQuestion(const QString &text, int buttons) override { return m_base.askQuestion(text, buttons); }
    std::optional<QString> inputText(const QString &caption, const QString &prompt, const QString &initial) override
    {
        return m_base.inputText(caption, prompt, initial);
    }
    QString openFileName(const QString &title, const QString &filter, const QString &dir) override
    {
        return m_base.openFileName(title, filter, dir);
    }
    QString saveFileName(const QString &title, const QString &filter, const QString &dir) override
    {
        return m_base.saveFileName(title, filter, dir);
    }
    QStringList openFileNames(const QString &title, const QString &filter, const QString &dir) override
    {
        return m_base.openFileNames(title, filter, dir);
    }
    bool confirmWarning(const QString &text, const QString &caption) override
    {
        return m_base.confirmWarning(text, caption);
    }
    void openInViewer(const QString &path) override { m_base.openInViewer(path); }
    void showWorkbook(const QString &path) override { m_base.showWorkbook(path); }
    void processEvents() override { m_base.processEvents(); }
    bool stopRequested() override { return m_stop ? m_stop() : m_base.stopRequested(); }
    Progress &progress() override { return m_progress; }
    TwoLineProgress &twoLineProgress() override { return m_base.twoLineProgress(); }

private:
    Interaction &m_base;
    Progress &m_progress;
    std::function<bool()> m_stop;
};

} // namespace tq
