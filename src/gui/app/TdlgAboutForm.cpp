#include "app/TdlgAboutForm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace tq::gui {

namespace {

// The product name swallows single clicks (they must not close the box before
// a double-click can arrive) and reports double-clicks with their modifiers.
class ProductLabel : public QLabel {
public:
    ProductLabel(const QString &text, TdlgAboutForm *owner) : QLabel(text, owner), m_owner(owner) {}

protected:
    void mousePressEvent(QMouseEvent *e) override { e->accept(); }
    void mouseDoubleClickEvent(QMouseEvent *e) override
    {
        e->accept();
        m_owner->productDoubleClicked(e->modifiers());
    }

private:
    TdlgAboutForm *m_owner;
};

} // namespace

TdlgAboutForm::TdlgAboutForm(const VersionInfo &version, bool asSplash, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TdlgAboutForm"));
    setFixedSize(550, 300);
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(36, 28, 36, 18);
    layout->setSpacing(6);

    m_product = new ProductLabel(QStringLiteral("Tallowmere"), this);
    m_product->setObjectName(QStringLiteral("lblProduct"));
    QFont big = m_product->font();
    big.setPointSize(26);
    big.setBold(true);
    m_product->setFont(big);
    m_product->setStyleSheet(QStringLiteral("color: #14365d;"));
    m_product->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    layout->addWidget(m_product);

    auto *survey = new QLabel(QStringLiteral("2009年度全国工会统计年报--基层以上工会调查表"), this);
    QFont mid = survey->font();
    mid.setPointSize(12);
    survey->setFont(mid);
    survey->setStyleSheet(QStringLiteral("color: #1d4f86;"));
    layout->addWidget(survey);
    layout->addSpacing(14);

    auto *statement = new QLabel(QStringLiteral("本软件由vezaroz研究室监制，\n"
                                                "由其指定单位负责设计与开发，\n"
                                                "并由该单位负责发行。"),
                                 this);
    statement->setStyleSheet(QStringLiteral("color: #203040;"));
    layout->addWidget(statement);
    layout->addStretch(1);

    auto *maker = new QLabel(QStringLiteral("开发单位：Corvenlo　　网址：www.corvenlo.example"), this);
    maker->setStyleSheet(QStringLiteral("color: #203040;"));
    layout->addWidget(maker);
    auto *ver = new QLabel(QStringLiteral("版本：") + version.displayText(), this);
    ver->setObjectName(QStringLiteral("lblVersion"));
    ver->setStyleSheet(QStringLiteral("color: #203040;"));
    layout->addWidget(ver);

    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_bar->setFixedHeight(8);
    m_bar->setVisible(asSplash);
    layout->addWidget(m_bar);

    if (asSplash) {
        m_timer.setInterval(40);
        connect(&m_timer, &QTimer::timeout, this, &TdlgAboutForm::tick);
        m_timer.start();
    }
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TdlgAboutForm::tick()
{
    m_bar->setValue(m_bar->value() + 2);
    if (m_bar->value() >= m_bar->maximum()) {
        m_timer.stop();
        accept();
    }
}

void TdlgAboutForm::productDoubleClicked(Qt::KeyboardModifiers modifiers)
{
    const bool wanted =
        (modifiers & Qt::ControlModifier) && (modifiers & Qt::AltModifier) && !(modifiers & Qt::ShiftModifier);
    if (!wanted)
        return;
    if (m_override)
        m_override();
    accept();
}

void TdlgAboutForm::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, width(), height());
    g.setColorAt(0.0, QColor(236, 243, 251));
    g.setColorAt(0.55, QColor(209, 225, 244));
    g.setColorAt(1.0, QColor(170, 198, 232));
    p.fillRect(rect(), g);
    // a few soft arcs in the lower right corner
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(QColor(255, 255, 255, 40 - i * 8));
        const int r = 140 + i * 60;
        p.drawEllipse(QPoint(width() - 40, height() + 20), r, r);
    }
    p.setPen(QPen(QColor(20, 54, 93), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(1, 1, -1, -1));
}

void TdlgAboutForm::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    accept();
}

void TdlgAboutForm::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    accept();
}

} // namespace tq::gui
