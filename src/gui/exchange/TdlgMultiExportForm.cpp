#include "exchange/TdlgMultiExportForm.h"

#include "app/CommandRunner.h"
#include "common/Interaction.h"
#include "exchange/DataImport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace tq::gui {

TdlgMultiExportForm::TdlgMultiExportForm(Session &session, Interaction &ui, QString reportFolder,
                                         std::function<void()> refreshList, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_session(session), m_ui(ui),
      m_folder(std::move(reportFolder)), m_refresh(std::move(refreshList))
{
    setObjectName(QStringLiteral("TdlgMultiExportForm"));
    setWindowTitle(QStringLiteral("数据批量导入"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("选择批量导入的数据文件"), this));
    auto *pathRow = new QHBoxLayout;
    m_pathEdit = new QLineEdit(this);
    m_pathEdit->setObjectName(QStringLiteral("edtPath"));
    m_pathEdit->setReadOnly(true);
    m_browse = new QToolButton(this);
    m_browse->setObjectName(QStringLiteral("btnBrowse"));
    m_browse->setText(QStringLiteral("..."));
    m_browse->setToolTip(QStringLiteral("选择导入文件"));
    pathRow->addWidget(m_pathEdit, 1);
    pathRow->addWidget(m_browse);
    layout->addLayout(pathRow);

    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("mmoLabels"));
    m_memo->setReadOnly(true);
    layout->addWidget(m_memo, 1);

    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    layout->addWidget(m_bar);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_import = new QPushButton(QStringLiteral("导  入"), this);
    m_import->setObjectName(QStringLiteral("btnImport"));
    m_cancel = new QPushButton(QStringLiteral("取  消"), this);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(m_import);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);

    connect(m_browse, &QToolButton::clicked, this, &TdlgMultiExportForm::btnBrowseClick);
    connect(m_import, &QPushButton::clicked, this, &TdlgMultiExportForm::btnImportClick);
    connect(m_cancel, &QPushButton::clicked, this, &TdlgMultiExportForm::reject);
    m_browse->setFocus();
    updateButtons();
    setFixedSize(QSize(520, 300).expandedTo(sizeHint()));
}

void TdlgMultiExportForm::updateButtons()
{
    m_import->setEnabled(!m_importing && !m_paths.isEmpty());
    m_cancel->setEnabled(!m_importing);
    m_browse->setEnabled(!m_importing);
}

void TdlgMultiExportForm::btnBrowseClick()
{
    if (m_importing)
        return;
    runCommand(m_ui, [this] {
        const auto chosen = exchange::DataImport(m_session, m_folder, m_ui).chooseFiles();
        if (!chosen)
            return;
        // The list itself is kept: a ';' is a legal character of a file name.
        m_paths = chosen->paths;
        m_memo->setPlainText(chosen->labels.join(QStringLiteral(" || ")));
        m_pathEdit->setText(chosen->paths.join(QLatin1Char(';')));
        m_bar->setValue(0);
    });
    updateButtons();
}

void TdlgMultiExportForm::btnImportClick()
{
    if (m_importing || m_paths.isEmpty())
        return;
    m_importing = true;
    updateButtons();
    m_bar->setValue(0);
    runCommand(m_ui, [this] {
        exchange::DataImport(m_session, m_folder, m_ui).MultiImport(m_paths, [this](int percent) {
            m_bar->setValue(percent);
        });
    });
    m_importing = false;
    updateButtons();
    m_import->setFocus();
    if (m_refresh)
        m_refresh();
}

void TdlgMultiExportForm::reject()
{
    if (!m_importing)
        QDialog::reject();
}

} // namespace tq::gui
