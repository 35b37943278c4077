#include "automation/ZipPackage.h"

#include "common/AtomicFile.h"
#include "common/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

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
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        throw FileError(QStringLiteral("无法保存工作簿“%1”：文件夹不存在").arg(shown));
    if (info.isDir())
        throw FileError(QStringLiteral("无法保存工作簿“%1”：那是一个文件夹").arg(shown));

    // The archive is built in memory and then written through AtomicFile, so
    // that the file appears under its name only when it is whole and a full
    // disk is reported with the system's own words.
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *memory = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!memory) {
        const QString why = QString::fromLocal8Bit(zip_error_strerror(&error));
        zip_error_fini(&error);
        throw FileError(QStringLiteral("无法保存工作簿“%1”：%2").arg(shown, why));
    }
    zip_source_keep(memory); // it outlives the archive: its bytes are the file
    const auto freeMemory = qScopeGuard([&] { zip_source_free(memory); });
    zip_t *za = zip_open_from_source(memory, ZIP_TRUNCATE, &error);
    if (!za) {
        const QString why = QString::fromLocal8Bit(zip_error_strerror(&error));
        zip_error_fini(&error);
        throw FileError(QStringLiteral("无法保存工作簿“%1”：%2").arg(shown, why));
    }
    zip_error_fini(&error);
    auto fail = [&](const QString &why) {
        zip_discard(za);
        throw FileError(QStringLiteral("无法保存工作簿“%1”：%2").arg(shown, why));
    };
    for (const Part &p : parts) {
        zip_source_t *src = zip_source_buffer(za, p.data.data(), p.data.size(), 0);
        if (!src)
            fail(QString::fromLocal8Bit(zip_error_strerror(zip_get_error(za))));
        const zip_int64_t idx = zip_file_add(za, p.name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (idx < 0) {
            zip_source_free(src);
            fail(QString::fromLocal8Bit(zip_error_strerror(zip_get_error(za))));
        }
        // Large sheets dominate the saving time; the fastest deflate level
        // still shrinks their repetitive XML well.
        zip_set_file_compression(za, zip_uint64_t(idx), ZIP_CM_DEFLATE, p.data.size() > (1u << 20) ? 1 : 6);
    }
    if (zip_close(za) != 0)
        fail(QString::fromLocal8Bit(zip_error_strerror(zip_get_error(za))));

    const auto memoryFailed = [&] {
        return FileError(QStringLiteral("无法保存工作簿“%1”：%2")
                             .arg(shown, QString::fromLocal8Bit(zip_error_strerror(zip_source_error(memory)))));
    };
    if (zip_source_open(memory) != 0)
        throw memoryFailed();
    AtomicFile file(path, QStringLiteral("工作簿"));
    file.open();
    char buf[65536];
    zip_int64_t got = 0;
    while ((got = zip_source_read(memory, buf, sizeof buf)) > 0)
        file.write(buf, got);
    zip_source_close(memory);
    if (got < 0)
        throw memoryFailed();
    file.commit();
}

} // namespace tq::automation
