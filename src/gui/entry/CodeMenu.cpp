#include "entry/CodeMenu.h"

#include "entry/TButtonBox.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace tq::gui {

namespace {
const char *const kMenuName = "CodeMenu";
const char *const kNameProperty = "codeName";
} // namespace

QPoint codeMenuPoint(const QWidget *box)
{
    const QPoint local(box->x() + box->width() - 10, box->y() + box->height() - 30);
    if (const QWidget *parent = box->parentWidget())
        return parent->mapToGlobal(local);
    return box->mapToGlobal(local - box->pos());
}

QMenu *ShowCodeMenu(TButtonBox *box, const entry::CodeList &list, CodeCallback callback)
{
    auto *menu = box->findChild<QMenu *>(QLatin1String(kMenuName), Qt::FindDirectChildrenOnly);
    if (!menu) {
        menu = new QMenu(box);
        menu->setObjectName(QLatin1String(kMenuName));
    }
    menu->clear(); // also drops the previous items' connections
    for (const entry::CodeItem &item : list) {
        QString caption = item.name;
        caption.replace(QLatin1Char('&'), QLatin1String("&&")); // a name is not a mnemonic
        QAction *action = menu->addAction(caption);
        action->setCheckable(true);
        action->setChecked(item.code == box->tag());
        action->setData(item.code);
        action->setProperty(kNameProperty, item.name);
        QPointer<TButtonBox> target(box);
        QObject::connect(action, &QAction::triggered, box, [target, action, callback] {
            if (!target)
                return;
            const qint64 code = action->data().toLongLong();
            target->setText(action->property(kNameProperty).toString().trimmed());
            target->setTag(code);
            if (callback)
                callback(code);
        });
    }
    menu->popup(codeMenuPoint(box));
    return menu;
}

QMenu *ShowCodeMenuPlain(TButtonBox *box, const entry::CodeList &list)
{
    return ShowCodeMenu(box, list, {});
}

} // namespace tq::gui
