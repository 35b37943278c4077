#pragma once

#include <QString>

#include <string>

#include <zip.h>

namespace tq::automation {

// A workbook's zip archive, put together in memory and then written through
// AtomicFile: the file appears under its name only when it is whole, and a
// full disk is reported with the system's own words. Every failure raises
// FileError ("无法保存工作簿…").
class ZipWriter {
public:
    // Refuses a path whose folder is missing or that names a folder.
    explicit ZipWriter(QString path);
    // An archive that was not committed is dropped; the file is not touched.
    ~ZipWriter();
    ZipWriter(const ZipWriter &) = delete;
    ZipWriter &operator=(const ZipWriter &) = delete;

    // Adds a part whose bytes stay where they are until close(). It is
    // compressed at libzip's default unless setCompression says otherwise.
    zip_uint64_t add(const QString &name, const std::string &data);
    // Adds a part that `callback` supplies (a libzip source function on `state`).
    zip_uint64_t add(const QString &name, zip_source_callback callback, void *state);
    // Deflates the part at `level`.
    void setCompression(zip_uint64_t index, int level);

    // Puts the archive together: the parts' own bytes are not read after this.
    void close();
    // Writes the archive to its file (closing it first if need be).
    void commit();

private:
    zip_uint64_t add(const QString &name, zip_source_t *source);
    [[noreturn]] void fail(const QString &why) const;
    [[noreturn]] void failInArchive() const;

    QString m_path;
    zip_source_t *m_memory = nullptr;
    zip_t *m_zip = nullptr;
};

} // namespace tq::automation
