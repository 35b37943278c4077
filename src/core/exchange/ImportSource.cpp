#include "exchange/ImportSource.h"

#include "app/Session.h"
#include "exchange/ReportHeader.h"

#include <QDir>
#include <QFileInfo>

namespace tq::exchange {

namespace {

DamagedFileError damaged(const QString &path, const QString &why)
{
    return DamagedFileError(QStringLiteral("文件'%1'已经损坏或者不是数据库文件，不能导入（%2）。")
                                .arg(QDir::toNativeSeparators(path), why));
}

} // namespace

ImportSource::ImportSource(const QString &path, bool restoreHeader)
    : m_dir(QDir(QDir::tempPath()).filePath(QStringLiteral("tallowmere-import-XXXXXX"))), m_path(path)
{
    if (!m_dir.isValid())
        throw FileError(QStringLiteral("无法在临时文件夹中建立文件：%1").arg(m_dir.errorString()));
    m_copy = m_dir.filePath(QStringLiteral("source.mdb"));
    if (restoreHeader) {
        m_transformed = ReportHeader::copyRestored(path, m_copy);
    } else if (!QFile::copy(path, m_copy)) {
        throw FileError(QStringLiteral("无法读取文件'%1'。").arg(QDir::toNativeSeparators(path)));
    }
    try {
        m_db = db::Database::open(m_copy);
        // A truncated file still opens; only reading every page shows the loss.
        // Rows that break the file's own CHECK rules are not damage: the
        // import looks at the codes itself and says what is wrong with them.
        m_db.exec(QStringLiteral("PRAGMA ignore_check_constraints = ON"));
        db::Statement st = m_db.prepare(QStringLiteral("PRAGMA quick_check"));
        QStringList problems;
        while (st.step() && problems.size() < 3)
            problems << st.textValue(0);
        if (problems != QStringList{QStringLiteral("ok")})
            throw damaged(path, problems.join(QStringLiteral("; ")));
    } catch (const db::DbError &e) {
        // The engine's reason, without the name of the private copy.
        throw damaged(path, e.text().section(QChar(u'：'), -1));
    }
}

QString ImportSource::label()
{
    return Session::readLabel(m_db);
}

} // namespace tq::exchange
