#include "app/TdlgOptionSetupForm.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tq::gui {

namespace {

// A combo box that fills its list the moment it opens.
class FillOnOpenCombo : public QComboBox {
public:
    FillOnOpenCombo(std::function<void()> fill, QWidget *parent) : QComboBox(parent), m_fill(std::move(fill)) {}
    void showPopup() override
    {
        m_fill();
        QComboBox::showPopup();
    }

private:
    std::function<void()> m_fill;
};

} // namespace

TdlgOptionSetupForm::TdlgOptionSetupForm(Settings &settings, Preferences &prefs, EngineLister engines, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_prefs(prefs), m_engines(std::move(engines))
{
    setObjectName(QStringLiteral("TdlgOptionSetupForm"));
    setWindowTitle(QStringLiteral("软件参数设置"));
    auto *layout = new QVBoxLayout(this);
    auto *tabs = new QTabWidget(this);
    auto *page = new QWidget(tabs);
    auto *form = new QFormLayout(page);
    m_ime = new FillOnOpenCombo([this] { fillEngines(); }, page);
    m_ime->setObjectName(QStringLiteral("cbIme"));
    m_ime->setEditable(false);
    m_ime->setMinimumWidth(240);
    if (!m_prefs.imePrefer.isEmpty())
        m_ime->addItem(m_prefs.imePrefer);
    m_ime->setCurrentText(m_prefs.imePrefer);
    form->addRow(QStringLiteral("选择使用的输入法:"), m_ime);
    // An empty list needs a word of explanation, or it looks broken.
    m_noEngines = new QLabel(QStringLiteral("本机没有找到可切换的输入法（需要 IBus 或 Fcitx5）。"), page);
    m_noEngines->setObjectName(QStringLiteral("lblNoEngines"));
    m_noEngines->setWordWrap(true);
    m_noEngines->hide();
    form->addRow(m_noEngines);

    // Kept but out of reach: the entry window style and the import principle.
    auto *style = new QGroupBox(QStringLiteral("录入窗口风格:"), page);
    auto *styleRow = new QHBoxLayout(style);
    auto *classic = new QRadioButton(QStringLiteral("传统"), style);
    auto *plain = new QRadioButton(QStringLiteral("简约"), style);
    styleRow->addWidget(classic);
    styleRow->addWidget(plain);
    (m_prefs.inputWndStyle ? plain : classic)->setChecked(true);
    connect(classic, &QRadioButton::clicked, this, [this] {
        m_settings.writeInteger(Settings::EnvKey, QStringLiteral("InputWndStyle"), 0);
        m_prefs.inputWndStyle = false;
    });
    connect(plain, &QRadioButton::clicked, this, [this] {
        m_settings.writeInteger(Settings::EnvKey, QStringLiteral("InputWndStyle"), 1);
        m_prefs.inputWndStyle = true;
    });
    style->hide();
    form->addRow(style);
    auto *import = new QGroupBox(QStringLiteral("导入错误处理方式："), page);
    auto *importRow = new QHBoxLayout(import);
    m_giveUpAll = new QRadioButton(QStringLiteral("有错就全部放弃"), import);
    auto *skipBad = new QRadioButton(QStringLiteral("只放弃出错的数据"), import);
    importRow->addWidget(m_giveUpAll);
    importRow->addWidget(skipBad);
    (m_prefs.importPrinciple ? skipBad : m_giveUpAll)->setChecked(true);
    import->hide();
    form->addRow(import);
    tabs->addTab(page, QStringLiteral("软件环境"));
    layout->addWidget(tabs);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &TdlgOptionSetupForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(420, sizeHint().height());
}

void TdlgOptionSetupForm::fillEngines()
{
    const QString current = m_ime->currentText();
    m_ime->clear();
    const QStringList engines = m_engines ? m_engines() : QStringList();
    m_ime->addItems(engines);
    m_noEngines->setVisible(engines.isEmpty());
    const int at = m_ime->findText(current);
    if (at >= 0)
        m_ime->setCurrentIndex(at);
}

void TdlgOptionSetupForm::accept()
{
    m_prefs.imePrefer = m_ime->currentText();
    m_settings.writeString(Settings::EnvKey, QStringLiteral("ImePrefer"), m_prefs.imePrefer);
    m_settings.writeString(Settings::EnvKey, QStringLiteral("OrganisationName"), QString());
    m_prefs.importPrinciple = !m_giveUpAll->isChecked();
    m_settings.writeInteger(Settings::EnvKey, QStringLiteral("ImportPrinciple"), m_prefs.importPrinciple ? 1 : 0);
    QDialog::accept();
}

} // namespace tq::gui
