#include "entry/EditorResources.h"

#include "common/Error.h"

#include <QFile>

// Resources of a static library are registered by hand.
static void initEditorResources()
{
    Q_INIT_RESOURCE(editor);
}

namespace tq::entry {

QString editorResource(const QString &name)
{
    initEditorResources();
    QFile f(QStringLiteral(":/editor/") + name);
    if (!f.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("程序内置的文件 %1 无法读取：%2").arg(name, f.errorString()));
    return QString::fromUtf8(f.readAll());
}

} // namespace tq::entry
