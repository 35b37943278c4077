#pragma once

#include "common/Interaction.h"

#include <QPointer>

class QWidget;
class QProgressDialog;

namespace tq::gui {

class GuiProgress : public Progress {
public:
    explicit GuiProgress(QWidget *parent) : m_parent(parent) {}
    ~GuiProgress() override;
    void start(int total, int done) override;
    void advance() override;
    void setCaption(const QString &caption) override;
    void finish() override;
    bool cancelled() const;

private:
    QWidget *m_parent;
    QPointer<QProgressDialog> m_dialog;
};

// Dialogs of the desktop for the core routines' questions and messages.
class GuiInteraction : public Interaction {
public:
    explicit GuiInteraction(QWidget *parent = nullptr);
    void setParent(QWidget *parent);

    void message(const QString &text) override;
    bool confirm(const QString &text, const QString &caption, bool yesByDefault) override;
    int askQuestion(const QString &text, int buttons) override;
    std::optional<QString> inputText(const QString &caption, const QString &prompt, const QString &initial) override;
    QString openFileName(const QString &title, const QString &filter, const QString &dir) override;
    QString saveFileName(const QString &title, const QString &filter, const QString &dir) override;
    void openInViewer(const QString &path) override;
    void showWorkbook(const QString &path) override;
    void processEvents() override;
    bool stopRequested() override;
    Progress &progress() override { return m_progress; }

private:
    QWidget *m_parent;
    GuiProgress m_progress;
};

} // namespace tq::gui
