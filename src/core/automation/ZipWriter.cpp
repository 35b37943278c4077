#include "automation/ZipWriter.h"

#include "common/AtomicFile.h"
#include "common/Error.h"

#include <QDir>
#include <QFileInfo>

#include <vector>

namespace tq::automation {

ZipWriter::ZipWriter(QString path) : m_path(std::move(path))
{
    const QFileInfo info(m_path);
    if (!info.absoluteDir().exists())
        fail(QStringLiteral("文件夹不存在"));
    if (info.isDir())
        fail(QStringLiteral("那是一个文件夹"));

    zip_error_t error;
    zip_error_init(&error);
    m_memory = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!m_memory) {
        const QString why = QString::fromLocal8Bit(zip_error_strerror(&error));
        zip_error_fini(&error);
        fail(why);
    }
    zip_source_keep(m_memory); // it outlives the archive: its bytes are the file
    m_zip = zip_open_from_source(m_memory, ZIP_TRUNCATE, &error);
    if (!m_zip) {
        const QString why = QString::fromLocal8Bit(zip_error_strerror(&error));
        zip_error_fini(&error);
        zip_source_free(m_memory);
        fail(why);
    }
    zip_error_fini(&error);
}

ZipWriter::~ZipWriter()
{
    if (m_zip)
        zip_discard(m_zip);
    zip_source_free(m_memory);
}

void ZipWriter::fail(const QString &why) const
{
    throw FileError(QStringLiteral("无法保存工作簿“%1”：%2").arg(QDir::toNativeSeparators(m_path), why));
}

void ZipWriter::failInArchive() const
{
    fail(QString::fromLocal8Bit(zip_error_strerror(zip_get_error(m_zip))));
}

zip_uint64_t ZipWriter::add(const QString &name, const std::string &data)
{
    return add(name, zip_source_buffer(m_zip, data.data(), data.size(), 0));
}

zip_uint64_t ZipWriter::add(const QString &name, zip_source_callback callback, void *state)
{
    return add(name, zip_source_function(m_zip, callback, state));
}

zip_uint64_t ZipWriter::add(const QString &name, zip_source_t *source)
{
    if (!source)
        failInArchive();
    const zip_int64_t index =
        zip_file_add(m_zip, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
        zip_source_free(source);
        failInArchive();
    }
    return zip_uint64_t(index);
}

void ZipWriter::setCompression(zip_uint64_t index, int level)
{
    zip_set_file_compression(m_zip, index, ZIP_CM_DEFLATE, zip_uint32_t(level));
}

void ZipWriter::close()
{
    if (!m_zip)
        return;
    if (zip_close(m_zip) != 0)
        failInArchive();
    m_zip = nullptr;
}

void ZipWriter::commit()
{
    close();
    const auto memoryFailed = [&] {
        return FileError(QStringLiteral("无法保存工作簿“%1”：%2")
                             .arg(QDir::toNativeSeparators(m_path),
                                  QString::fromLocal8Bit(zip_error_strerror(zip_source_error(m_memory)))));
    };
    if (zip_source_open(m_memory) != 0)
        throw memoryFailed();
    AtomicFile file(m_path, QStringLiteral("工作簿"));
    file.open();
    std::vector<char> buf(std::size_t(1) << 20);
    zip_int64_t got = 0;
    while ((got = zip_source_read(m_memory, buf.data(), buf.size())) > 0)
        file.write(buf.data(), got);
    zip_source_close(m_memory);
    if (got < 0)
        throw memoryFailed();
    file.commit();
}

} // namespace tq::automation
