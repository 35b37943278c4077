#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tq {

// Progress of a long operation: a bar with a total and the parts done. A
// window that offers a pause button answers pauseRequested(); stopping is
// asked of the Interaction.
class Progress {
public:
    virtual ~Progress() = default;
    virtual void start(int total, int done = 0) = 0;
    virtual void advance() = 0;
    // Several parts done at once: a window repaints once, not once a part.
    virtual void advanceBy(int parts)
    {
        for (int i = 0; i < parts; ++i)
            advance();
    }
    virtual void setCaption(const QString &caption) = 0;
    virtual void finish() = 0;
    virtual bool pauseRequested() const { return false; }
};

// The two-line progress window of nested work: the overall bar counts the
// parts of a run (the sheets of a summary), the current-task bar the steps of
// the part in hand. show() opens it, finish() closes it.
class TwoLineProgress {
public:
    virtual ~TwoLineProgress() = default;
    virtual void show() {}
    virtual void initFirst(int /*total*/) {}
    virtual void initSecond(int /*total*/) {}
    virtual void incFirst() {}
    virtual void incSecond() {}
    virtual void finish() {}
};

// Everything core routines need from the person at the screen: messages,
// questions, file names, progress, and a way to let pending work run. The GUI
// answers with dialogs, the headless commands from their flags, tests from a
// script.
class Interaction {
public:
    enum Button { ButtonYes = 1, ButtonNo = 2, ButtonYesToAll = 4, ButtonNoToAll = 8 };
    enum Answer { AnswerCancel = 2, AnswerYes = 6, AnswerNo = 7, AnswerNoToAll = 9, AnswerYesToAll = 10 };

    virtual ~Interaction() = default;

    // A plain message box with the text only.
    virtual void message(const QString &text) = 0;
    // A yes/no question; "No" is preselected unless `yesByDefault`.
    virtual bool confirm(const QString &text, const QString &caption = QStringLiteral("提示："),
                         bool yesByDefault = false) = 0;
    // The same with a warning sign, for questions about data at stake.
    virtual bool confirmWarning(const QString &text, const QString &caption = QStringLiteral("提示："))
    {
        return confirm(text, caption, false);
    }
    // The question window with the button bits above; returns an Answer.
    virtual int askQuestion(const QString &text, int buttons) = 0;
    // A one-line input box; nullopt when cancelled.
    virtual std::optional<QString> inputText(const QString &caption, const QString &prompt, const QString &initial) = 0;
    // File dialogs; an empty result means cancelled. `filter` is in Qt's form,
    // e.g. "Access文件(*.mdb)".
    virtual QString openFileName(const QString &title, const QString &filter, const QString &dir) = 0;
    virtual QString saveFileName(const QString &title, const QString &filter, const QString &dir) = 0;
    // A file-open dialog that takes several files; an empty list means cancelled.
    virtual QStringList openFileNames(const QString &title, const QString &filter, const QString &dir)
    {
        const QString one = openFileName(title, filter, dir);
        return one.isEmpty() ? QStringList() : QStringList{one};
    }
    // Opens a file in the desktop's viewer for its kind (text file, workbook).
    virtual void openInViewer(const QString &path) = 0;
    virtual void showWorkbook(const QString &path) = 0;
    // Lets pending window work run (repaints, a click on a stop button).
    virtual void processEvents() = 0;
    virtual bool stopRequested() = 0;
    virtual Progress &progress() = 0;
    // Nobody watches the two-line window unless the interaction shows one.
    virtual TwoLineProgress &twoLineProgress()
    {
        static TwoLineProgress none;
        return none;
    }
};

} // namespace tq
