#include "common/GuiInteraction.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QUrl>

namespace tq::gui {

GuiProgress::~GuiProgress() { delete m_dialog; }

void GuiProgress::start(int total, int done)
{
    if (!m_dialog) {
        m_dialog = new QProgressDialog(m_parent);
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setLabelText(QStringLiteral("正在处理："));
        m_dialog->setCancelButtonText(QStringLiteral("停止"));
    }
    m_dialog->setRange(0, total);
    m_dialog->setValue(done);
    m_dialog->show();
}

void GuiProgress::advance()
{
    if (m_dialog)
        m_dialog->setValue(m_dialog->value() + 1);
}

void GuiProgress::setCaption(const QString &caption)
{
    if (m_dialog)
        m_dialog->setWindowTitle(caption);
}

void GuiProgress::finish()
{
    if (m_dialog)
        m_dialog->hide();
}

bool GuiProgress::cancelled() const { return m_dialog && m_dialog->wasCanceled(); }

GuiInteraction::GuiInteraction(QWidget *parent) : m_parent(parent), m_progress(parent) {}

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

int GuiInteraction::askQuestion(const QString &text, int buttons)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("提示信息"), text, QMessageBox::NoButton, m_parent);
    struct Choice {
        int bit;
        const char16_t *caption;
        int answer;
    };
    static const Choice choices[] = {{ButtonYes, u"是", AnswerYes},
                                     {ButtonYesToAll, u"全都是", AnswerYesToAll},
                                     {ButtonNo, u"否", AnswerNo},
                                     {ButtonNoToAll, u"全都否", AnswerNoToAll}};
    QList<QPair<QAbstractButton *, int>> made;
    for (const Choice &c : choices) {
        if (buttons & c.bit)
            made.append({box.addButton(QString::fromUtf16(c.caption), QMessageBox::ActionRole), c.answer});
    }
    box.addButton(QMessageBox::Cancel)->hide();
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    for (const auto &[button, answer] : made) {
        if (box.clickedButton() == button)
            return answer;
    }
    return AnswerCancel;
}

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

bool GuiInteraction::stopRequested() { return m_progress.cancelled(); }

} // namespace tq::gui
