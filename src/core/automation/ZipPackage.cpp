#include "automation/ZipPackage.h"

#include "automation/ZipWriter.h"
#include "common/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <zip.h>

namespace tq::automation {

namespace {

QString zipErrorText(int code)
{
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    const QString text = QString::fromLocal8Bit(zip_error_strerror(&e));
    zip_error_fini(&e);
    return text;
}

QString reasonOf(int code)
{
    switch (code) {
    case ZIP_ER_NOZIP:
        return QStringLiteral("它不是工作簿文件（%1）").arg(zipErrorText(code));
    case ZIP_ER_INCONS:
    case ZIP_ER_CRC:
    case ZIP_ER_EOF:
        return QStringLiteral("文件已损坏（%1）").arg(zipErrorText(code));
    default:
        return zipErrorText(code);
    }
}

} // namespace

std::vector<ZipPackage::Part> ZipPackage::read(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw FileError(QStringLiteral("工作簿文件“%1”不存在").arg(QDir::toNativeSeparators(path)));
    if (!info.isFile())
        throw FileError(QStringLiteral("“%1”不是一个文件").arg(QDir::toNativeSeparators(path)));
    int code = 0;
    zip_t *za = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!za)
        throw FileError(
            QStringLiteral("无法打开工作簿文件“%1”：%2").arg(QDir::toNativeSeparators(path), reasonOf(code)));
    std::vector<Part> parts;
    const zip_int64_t n = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, zip_uint64_t(i), ZIP_FL_ENC_GUESS, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
            continue;
        const QString name = QString::fromUtf8(st.name);
        if (name.endsWith(QLatin1Char('/')))
            continue; // folder entries carry nothing
        Part p;
        p.name = name;
        zip_file_t *zf = zip_fopen_index(za, zip_uint64_t(i), 0);
        bool ok = zf != nullptr;
        if (ok) {
            char buf[65536];
            zip_int64_t got = 0;
            while ((got = zip_fread(zf, buf, sizeof buf)) > 0)
                p.data.append(buf, size_t(got));
            ok = got == 0;
            if (zip_fclose(zf) != 0)
                ok = false;
        }
        if (!ok) {
            const QString why = QString::fromLocal8Bit(zip_error_strerror(zip_get_error(za)));
            zip_discard(za);
            throw FileError(QStringLiteral("无法读取工作簿文件“%1”中的 %2：文件已损坏（%3）")
                                .arg(QDir::toNativeSeparators(path), name, why));
        }
        parts.push_back(std::move(p));
    }
    zip_discard(za);
    return parts;
}

void ZipPackage::write(const QString &path, const std::vector<Part> &parts)
{
    ZipWriter zip(path);
    for (const Part &p : parts) {
        const zip_uint64_t index = zip.add(p.name, p.data);
        // Large sheets dominate the saving time; the fastest deflate level
        // still shrinks their repetitive XML well.
        zip.setCompression(index, p.data.size() > (1u << 20) ? 1 : 6);
    }
    zip.commit();
}

} // namespace tq::automation
