#pragma once

#include "common/Interaction.h"

#include <QQueue>
#include <QStringList>
#include <QVariant>

namespace tq::test {

class RecordingProgress : public Progress {
public:
    void start(int total, int done) override
    {
        this->total = total;
        this->done = done;
        ++starts;
    }
    void advance() override { ++done; }
    void setCaption(const QString &c) override { caption = c; }
    void finish() override { ++finishes; }
    int total = 0, done = 0, starts = 0, finishes = 0;
    QString caption;
};

class RecordingTwoLineProgress : public TwoLineProgress {
public:
    void show() override { ++shows; }
    void initFirst(int total) override { firstTotal = total, firstDone = 0; }
    void initSecond(int total) override { secondTotal = total, secondDone = 0; }
    void incFirst() override { ++firstDone; }
    void incSecond() override { ++secondDone; }
    void finish() override { ++finishes; }
    int shows = 0, finishes = 0, firstTotal = 0, firstDone = 0, secondTotal = 0, secondDone = 0;
};

// Answers from a queue and records every message and question, so that each
// text the program shows can be checked without a window. An exhausted queue
// answers "no"/cancel.
class ScriptedInteraction : public Interaction {
public:
    // Queue of answers: bool for confirm, int for askQuestion, QString (or an
    // invalid QVariant for cancel) for inputText and the file dialogs,
    // QStringList for the multi-select file dialog.
    void answer(const QVariant &a) { answers.enqueue(a); }

    void message(const QString &text) override { messages << text; }
    bool confirm(const QString &text, const QString &caption, bool) override
    {
        questions << caption + QStringLiteral("|") + text;
        return next().toBool();
    }
    int askQuestion(const QString &text, int buttons) override
    {
        questions << text;
        buttonSets << buttons;
        const QVariant a = next();
        return a.isValid() ? a.toInt() : AnswerCancel;
    }
    std::optional<QString> inputText(const QString &caption, const QString &prompt, const QString &initial) override
    {
        inputs << caption + QStringLiteral("|") + prompt + QStringLiteral("|") + initial;
        const QVariant a = next();
        if (!a.isValid())
            return std::nullopt;
        return a.toString();
    }
    QString openFileName(const QString &title, const QString &filter, const QString &) override
    {
        dialogs << title + QStringLiteral("|") + filter;
        return next().toString();
    }
    QString saveFileName(const QString &title, const QString &filter, const QString &) override
    {
        dialogs << title + QStringLiteral("|") + filter;
        return next().toString();
    }
    // Answered by a QStringList (or an invalid QVariant for cancel).
    QStringList openFileNames(const QString &title, const QString &filter, const QString &) override
    {
        dialogs << title + QStringLiteral("|") + filter;
        return next().toStringList();
    }
    void openInViewer(const QString &path) override { viewed << path; }
    void showWorkbook(const QString &path) override { viewed << path; }
    void processEvents() override { ++eventPumps; }
    bool stopRequested() override { return stopAfter >= 0 && eventPumps >= stopAfter; }
    Progress &progress() override { return recordedProgress; }
    TwoLineProgress &twoLineProgress() override { return recordedTwoLine; }

    QStringList messages, questions, inputs, dialogs, viewed;
    QList<int> buttonSets; // the buttons of each askQuestion
    QQueue<QVariant> answers;
    int eventPumps = 0;
    int stopAfter = -1;
    RecordingProgress recordedProgress;
    RecordingTwoLineProgress recordedTwoLine;

private:
    QVariant next() { return answers.isEmpty() ? QVariant() : answers.dequeue(); }
};

} // namespace tq::test
