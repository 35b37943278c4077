#pragma once

#include "app/Settings.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QRadioButton;

namespace tq::gui {

// 软件参数设置: the preferred input method (and two settings users cannot
// reach, kept for the machines that have them stored).
class TdlgOptionSetupForm : public QDialog {
    Q_OBJECT
public:
    using EngineLister = std::function<QStringList()>;
    TdlgOptionSetupForm(Settings &settings, Preferences &prefs, EngineLister engines, QWidget *parent = nullptr);

    QComboBox *imeBox() const { return m_ime; }
    // Fills the list as it opens.
    void fillEngines();
    void accept() override;

private:
    Settings &m_settings;
    Preferences &m_prefs;
    EngineLister m_engines;
    QComboBox *m_ime;
    QLabel *m_noEngines;
    QRadioButton *m_giveUpAll;
};

} // namespace tq::gui
