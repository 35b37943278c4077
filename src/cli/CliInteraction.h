#pragma once

#include "common/Interaction.h"

class QTextStream;

namespace tq::cli {

// The headless side of the interaction seam: messages go to the terminal,
// questions take their default answer, nothing is opened on a desktop.
class CliInteraction : public Interaction {
public:
    explicit CliInteraction(QTextStream &out) : m_out(out) {}

    void message(const QString &text) override;
    bool confirm(const QString &text, const QString &caption, bool yesByDefault) override;
    int askQuestion(const QString &text, int buttons) override;
    std::optional<QString> inputText(const QString &caption, const QString &prompt, const QString &initial) override;
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
    void openInViewer(const QString &) override {}
    void showWorkbook(const QString &) override {}
    void processEvents() override {}
    bool stopRequested() override { return false; }
    Progress &progress() override { return m_progress; }

private:
    class Quiet : public Progress {
    public:
        void start(int, int) override {}
        void advance() override {}
        void setCaption(const QString &) override {}
        void finish() override {}
    };
    QTextStream &m_out;
    Quiet m_progress;
};

} // namespace tq::cli
