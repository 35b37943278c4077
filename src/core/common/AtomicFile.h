#pragma once

#include <QByteArray>
#include <QString>

class QFile;

namespace tq {

// A file that appears under its name only when it is complete. The content is
// written under a temporary name in the target folder and renamed over the
// target at commit(), so whoever looks at the target name sees the previous
// file or the whole new one, never a half-written one, whatever happens to
// this process meanwhile.
//
// Every failure raises FileError naming the target file, with the system's
// own text for the cause ("No space left on device", "Permission denied").
class AtomicFile {
public:
    // `kind` names the file in messages ("逻辑检查结果文件"); "文件" by default.
    explicit AtomicFile(QString path, QString kind = QString());
    // A file that was not committed is discarded.
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Creates the temporary file beside the target.
    void open();
    void write(const QByteArray &bytes) { write(bytes.constData(), bytes.size()); }
    void write(const char *data, qint64 size);
    // Appends what is left of `source` (open for reading), copied inside the
    // kernel where the file systems allow it. A failing read raises FileError
    // naming `source`.
    void copyFrom(QFile &source);
    // Makes the content durable, then moves it to the target name, replacing
    // what was there.
    void commit();
    // Drops the temporary file; the target keeps what it had.
    void discard() noexcept;

    bool isOpen() const { return m_fd >= 0; }
    const QString &path() const { return m_path; }
    const QString &temporaryPath() const { return m_temp; }

    // Writes `bytes` as the whole content of `path`.
    static void writeFile(const QString &path, const QByteArray &bytes, const QString &kind = QString());
    // True for the temporary names this class uses (file name only). A
    // process that dies while writing leaves such a file behind, never a
    // partial file under the target name.
    static bool isTemporaryName(const QString &fileName);

private:
    [[noreturn]] void fail(const QString &doing, int err);

    QString m_path;
    QString m_kind;
    QString m_temp;
    int m_fd = -1;
};

} // namespace tq
