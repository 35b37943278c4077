#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace tq {
class Interaction;
class Session;
} // namespace tq

namespace tq::gui {

// 数据批量导入: several report files are chosen at once, their suppliers'
// labels shown, and then imported one after another.
class TdlgMultiExportForm : public QDialog {
    Q_OBJECT
public:
    TdlgMultiExportForm(Session &session, Interaction &ui, QString reportFolder, std::function<void()> refreshList,
                        QWidget *parent = nullptr);

    void btnBrowseClick();
    void btnImportClick();

    const QStringList &chosenFiles() const { return m_paths; }
    bool isImporting() const { return m_importing; }
    QLineEdit *pathEdit() const { return m_pathEdit; }
    QPlainTextEdit *labelMemo() const { return m_memo; }
    QProgressBar *bar() const { return m_bar; }
    QToolButton *browseButton() const { return m_browse; }
    QPushButton *importButton() const { return m_import; }
    QPushButton *cancelButton() const { return m_cancel; }

protected:
    void reject() override;

private:
    void updateButtons();

    Session &m_session;
    Interaction &m_ui;
    QString m_folder;
    std::function<void()> m_refresh;
    QStringList m_paths;
    bool m_importing = false;
    QLineEdit *m_pathEdit;
    QToolButton *m_browse;
    QPlainTextEdit *m_memo;
    QProgressBar *m_bar;
    QPushButton *m_import;
    QPushButton *m_cancel;
};

} // namespace tq::gui
