#include "CliInteraction.h"

#include <QTextStream>

namespace tq::cli {

void CliInteraction::message(const QString &text)
{
    m_out << text << "\n";
}

bool CliInteraction::confirm(const QString &text, const QString &, bool yesByDefault)
{
    m_out << text << (yesByDefault ? " -> yes\n" : " -> no\n");
    return yesByDefault;
}

int CliInteraction::askQuestion(const QString &text, int)
{
    m_out << text << " -> cancel\n";
    return AnswerCancel;
}

std::optional<QString> CliInteraction::inputText(const QString &, const QString &, const QString &)
{
    return std::nullopt;
}

} // namespace tq::cli
