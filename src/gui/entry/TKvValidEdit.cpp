#include "entry/TKvValidEdit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

#include <algorithm>

namespace tq::gui {

TKvValidEdit::TKvValidEdit(QWidget *parent) : QLineEdit(parent)
{
}

bool TKvValidEdit::accepts(QChar c) const
{
    if (m_checkType == tcForbid)
        return !m_forbid.contains(c);
    return m_valid.contains(c);
}

QString TKvValidEdit::filtered(const QString &typed) const
{
    QString out;
    out.reserve(typed.size());
    for (const QChar c : typed) {
        if (accepts(c))
            out += c;
    }
    return out;
}

void TKvValidEdit::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    // Backspace, Enter and shortcuts such as Ctrl+V carry control characters
    // or none at all: they are not typing and always pass.
    const bool typing = !text.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) &&
                        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isPrint(); });
    if (!typing) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QString kept = filtered(text);
    if (kept == text) {
        QLineEdit::keyPressEvent(event);
    } else {
        if (!kept.isEmpty())
            insert(kept);
        event->accept();
    }
}

void TKvValidEdit::inputMethodEvent(QInputMethodEvent *event)
{
    const QString commit = event->commitString();
    const QString kept = filtered(commit);
    if (kept == commit) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent copy(event->preeditString(), event->attributes());
    copy.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&copy);
    event->accept();
}

} // namespace tq::gui
