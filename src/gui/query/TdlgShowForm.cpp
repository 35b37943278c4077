#include "query/TdlgShowForm.h"

#include "app/CommandRunner.h"
#include "app/Session.h"
#include "common/Interaction.h"
#include "exchange/CodeRangeBoxes.h"
#include "query/ColumnChooser.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QMap>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tq::gui {

namespace {

constexpr int kBoxWidth = 438;
constexpr int kBoxHeight = 35;
constexpr int kRowStep = 30;

// A page whose check boxes stand in two columns, scrolled when the page holds
// more fields than the window shows.
struct Page {
    QWidget *canvas = nullptr;
    int count = 0;
};

Page addPage(QTabWidget *pages, const QString &caption)
{
    auto *scroll = new QScrollArea(pages);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *canvas = new QWidget(scroll);
    scroll->setWidget(canvas);
    scroll->setWidgetResizable(false);
    pages->addTab(scroll, caption);
    return {canvas, 0};
}

} // namespace

TdlgShowForm::TdlgShowForm(Session &session, Interaction &ui, std::function<void()> rebuildList, QWidget *parent)
    : QDialog(parent), m_session(session), m_ui(ui), m_rebuild(std::move(rebuildList))
{
    setObjectName(QStringLiteral("TdlgShowForm"));
    setWindowTitle(QStringLiteral("自定义列表项"));
    auto *layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(m_pages, 1);
    auto *buttons = new QHBoxLayout;
    m_tbSave = dialogButton(QStringLiteral("确  定"), QStringLiteral("tbSave"), this);
    m_tbReturn = dialogButton(QStringLiteral("关  闭"), QStringLiteral("tbReturn"), this);
    buttons->addStretch(1);
    buttons->addWidget(m_tbSave);
    buttons->addWidget(m_tbReturn);
    layout->addLayout(buttons);
    connect(m_tbSave, &QToolButton::clicked, this, &TdlgShowForm::tbSaveClick);
    connect(m_tbReturn, &QToolButton::clicked, this, &QDialog::reject);

    std::vector<query::ChooserField> fields;
    runCommand(m_ui, [&] { fields = query::ColumnChooser::load(m_session.db()); });
    // The cover's page is there from the start; each table's page comes with
    // its first field.
    QMap<int, Page> pages;
    pages.insert(0, addPage(m_pages, QStringLiteral("封面")));
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(9);
    int tallest = 0;
    for (const query::ChooserField &f : fields) {
        if (!pages.contains(f.pageId))
            pages.insert(f.pageId, addPage(m_pages, f.sheetName));
        Page &page = pages[f.pageId];
        auto *box = new QCheckBox(f.fieldName + QStringLiteral("--") + f.hint, page.canvas);
        box->setObjectName(f.fieldName);
        box->setProperty("tag", f.id);
        box->setFont(font);
        const int i = page.count++;
        box->setGeometry(4 + (i % 2 ? kBoxWidth : 0), 6 + kRowStep * (i / 2), kBoxWidth, kBoxHeight);
        box->setChecked(f.visible);
        m_boxes << box;
        tallest = std::max(tallest, 6 + kRowStep * (i / 2) + kBoxHeight);
    }
    for (const Page &p : pages)
        p.canvas->resize(8 + 2 * kBoxWidth, std::max(tallest, 100));
    resize(2 * kBoxWidth + 60, std::min(tallest + 110, 640));
}

QCheckBox *TdlgShowForm::box(const QString &fieldName) const
{
    for (QCheckBox *b : m_boxes) {
        if (b->objectName().compare(fieldName, Qt::CaseInsensitive) == 0)
            return b;
    }
    return nullptr;
}

void TdlgShowForm::tbSaveClick()
{
    QList<int> ids;
    for (const QCheckBox *b : m_boxes) {
        if (b->isChecked())
            ids << b->property("tag").toInt();
    }
    if (!runCommand(m_ui, [&] { query::ColumnChooser::save(m_session.db(), ids); }))
        return;
    if (m_rebuild)
        m_rebuild();
    m_ui.message(query::ColumnChooser::savedMessage());
    m_tbSave->setEnabled(false); // one save per opening
}

} // namespace tq::gui
