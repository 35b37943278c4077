#pragma once

#include "common/Interaction.h"

#include <QPointer>
#include <memory>

class QWidget;

namespace tq::gui {

class TProgressBarForm;
class TProgressBar2LineForm;

// Dialogs of the desktop for the core routines' questions and messages.
class GuiInteraction : public Interaction {
public:
    explicit GuiInteraction(QWidget *parent = nullptr);
    ~GuiInteraction() override;
    void setParent(QWidget *parent);

    void message(const QString &text) override;
    bool confirm(const QString &text, const QString &caption, bool yesByDefault) override;
    bool confirmWarning(const QString &text, const QString &caption) override;
    int askQuestion(const QString &text, int buttons) override;
    std::optional<QString> inputText(const QString &caption, const QString &prompt, const QString &initial) override;
    QString openFileName(const QString &title, const QString &filter, const QString &dir) override;
    QString saveFileName(const QString &title, const QString &filter, const QString &dir) override;
    QStringList openFileNames(const QString &title, const QString &filter, const QString &dir) override;
    void openInViewer(const QString &path) override;
    void showWorkbook(const QString &path) override;
    void processEvents() override;
    bool stopRequested() override;
    Progress &progress() override;
    TwoLineProgress &twoLineProgress() override;
    // Asks the running operation to stop at its next chance.
    void requestStop() { m_stop = true; }

private:
    QWidget *m_parent;
    QPointer<TProgressBarForm> m_progress;
    QPointer<TProgressBar2LineForm> m_twoLine;
    bool m_stop = false;
};

} // namespace tq::gui
