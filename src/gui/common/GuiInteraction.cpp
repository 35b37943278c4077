#include "common/GuiInteraction.h"

#include "common/TProgressBarForm.h"
#include "common/TQuestionDlg.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace tq::gui {

GuiInteraction::GuiInteraction(QWidget *parent) : m_parent(parent) {}

GuiInteraction::~GuiInteraction() { delete m_progress; }

Progress &GuiInteraction::progress()
{
    if (!m_progress)
        m_progress = new TProgressBarForm(m_parent);
    return *m_progress;
}

void GuiInteraction::setParent(QWidget *parent) { m_parent = parent; }

void GuiInteraction::message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tallowmere"), text, QMessageBox::Ok, m_parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

bool GuiInteraction::confirm(const QString &text, const QString &caption, bool yesByDefault)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
    box.setDefaultButton(yesByDefault ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

int GuiInteraction::askQuestion(const QString &text, int buttons) { return AskQuestion(text, buttons, m_parent); }

std::optional<QString> GuiInteraction::inputText(const QString &caption, const QString &prompt,
                                                 const QString &initial)
{
    QInputDialog dlg(m_parent);
    dlg.setWindowTitle(caption);
    dlg.setLabelText(prompt);
    dlg.setTextValue(initial);
    dlg.setOkButtonText(QStringLiteral("确定"));
    dlg.setCancelButtonText(QStringLiteral("取消"));
    dlg.resize(420, dlg.sizeHint().height());
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.textValue();
}

QString GuiInteraction::openFileName(const QString &title, const QString &filter, const QString &dir)
{
    return QFileDialog::getOpenFileName(m_parent, title, dir, filter);
}

QString GuiInteraction::saveFileName(const QString &title, const QString &filter, const QString &dir)
{
    return QFileDialog::getSaveFileName(m_parent, title, dir, filter);
}

void GuiInteraction::openInViewer(const QString &path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

void GuiInteraction::showWorkbook(const QString &path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

void GuiInteraction::processEvents() { QApplication::processEvents(); }

bool GuiInteraction::stopRequested()
{
    const bool stop = m_stop;
    m_stop = false;
    return stop;
}

} // namespace tq::gui
