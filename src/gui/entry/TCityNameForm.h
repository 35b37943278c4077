#pragma once

#include <QDialog>

class QPushButton;
class QTableWidget;

namespace tq::db {
class Database;
}

namespace tq::gui {

// 中华人民共和国行政区划: picks a region code in three steps, province, city
// and county, over CT_CityName. When it ends with OK, ID() and CombName()
// hold the choice.
class TCityNameForm : public QDialog {
    Q_OBJECT
public:
    static constexpr qint64 kDefaultId = 110100;

    // A starting code of 0 or less starts at 110100.
    explicit TCityNameForm(db::Database &db, qint64 startId = 0, QWidget *parent = nullptr);

    qint64 ID() const { return m_id; }
    const QString &CombName() const { return m_combName; }

    // The current province, city and county numbers.
    int province() const { return m_p; }
    int city() const { return m_c; }
    int county() const { return m_k; }

    QTableWidget *provinceGrid() const { return m_grid1; }
    QTableWidget *cityGrid() const { return m_grid2; }
    QTableWidget *countyGrid() const { return m_grid3; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

    void provinceChosen(int row);
    void cityChosen(int row);
    // Takes the county row as the choice and ends with OK.
    void countyChosen(int row);
    void tbOKClick();
    void tbCancelClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void fillProvinces();
    void fillCities();
    void fillCounties();
    void fill(QTableWidget *grid, const QString &sql, const QVariantList &params);
    static bool locate(QTableWidget *grid, int code1, int code2, int code3, bool useCode2, bool useCode3);
    static int codeOf(QTableWidget *grid, int row, int part);

    db::Database &m_db;
    qint64 m_id = kDefaultId;
    QString m_combName = QStringLiteral("北京市");
    int m_p = 0, m_c = 0, m_k = 0;
    QTableWidget *m_grid1, *m_grid2, *m_grid3;
    QPushButton *m_ok, *m_cancel;
};

} // namespace tq::gui
