#include "common/GuiInteraction.h"

#include "common/TProgressBarForm.h"
#include "common/TQuestionDlg.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace tq::gui {

GuiInteraction::GuiInteraction(QWidget *parent) : m_parent(parent)
{
}

GuiInteraction::~GuiInteraction()
{
    delete m_progress;
    delete m_twoLine;
}

Progress &GuiInteraction::progress()
{
    if (!m_progress)
        m_progress = new TProgressBarForm(m_parent);
    return *m_progress;
}

TwoLineProgress &GuiInteraction::twoLineProgress()
{
    if (!m_twoLine)
        m_twoLine = new TProgressBar2LineForm(m_parent);
    return *m_twoLine;
}

void GuiInteraction::setParent(QWidget *parent)
{
    m_parent = parent;
}

void GuiInteraction::message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("提示"), text, QMessageBox::Ok, m_parent);
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

bool GuiInteraction::confirmWarning(const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

int GuiInteraction::askQuestion(const QString &text, int buttons)
{
    return AskQuestion(text, buttons, m_parent);
}

std::optional<QString> GuiInteraction::inputText(const QString &caption, const QString &prompt, const QString &initial)
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

namespace {

// The folder a file dialog starts in. A folder that does not exist would be
// taken for a file name and preset in the name box; start in the nearest
// folder that exists instead.
QString startFolder(const QString &dir)
{
    QDir d(dir.isEmpty() ? QDir::homePath() : dir);
    while (!d.exists() && !d.isRoot() && d.cdUp()) {
    }
    return d.exists() ? d.absolutePath() + QLatin1Char('/') : QDir::homePath() + QLatin1Char('/');
}

} // namespace

QString GuiInteraction::openFileName(const QString &title, const QString &filter, const QString &dir)
{
    return QFileDialog::getOpenFileName(m_parent, title, startFolder(dir), filter);
}

QStringList GuiInteraction::openFileNames(const QString &title, const QString &filter, const QString &dir)
{
    return QFileDialog::getOpenFileNames(m_parent, title, startFolder(dir), filter);
}

QString GuiInteraction::saveFileName(const QString &title, const QString &filter, const QString &dir)
{
    // A preset name is kept when its folder exists.
    const QFileInfo at(dir);
    const bool usable = !dir.isEmpty() && (at.isDir() || at.absoluteDir().exists());
    return QFileDialog::getSaveFileName(m_parent, title, usable ? dir : startFolder(dir), filter);
}

void GuiInteraction::openInViewer(const QString &path)
{
    // With no viewer to hand the file to, the user must still learn where it is.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        message(QStringLiteral("没有找到可以打开此文件的程序。文件已经保存在：\n") + QDir::toNativeSeparators(path));
}

void GuiInteraction::showWorkbook(const QString &path)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        message(QStringLiteral("没有找到可以打开工作簿的电子表格程序。工作簿已经保存在：\n") +
                QDir::toNativeSeparators(path));
}

void GuiInteraction::processEvents()
{
    QApplication::processEvents();
}

bool GuiInteraction::stopRequested()
{
    const bool stop = m_stop;
    m_stop = false;
    return stop;
}

} // namespace tq::gui
