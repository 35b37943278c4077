#pragma once

#include <QByteArray>
#include <QString>

namespace tq::exchange {

// The disguise of a report file: its first 1024 bytes are stored as
// ((b + A) mod 256) XOR X, so that the file is not an ordinary database until
// the receiving side restores it. Export and import share these constants;
// changing them makes every report file in circulation unreadable.
class ReportHeader {
public:
    static constexpr int kAdd = 7; // A
    static constexpr int kXor = 5; // X
    static constexpr int kLength = 1024;

    // The first 16 bytes of every SQLite 3 database file.
    static QByteArray databaseSignature();

    // Transform and restore the first kLength bytes of `bytes` (all of them
    // when there are fewer).
    static void transform(QByteArray &bytes);
    static void restore(QByteArray &bytes);

    // Whether the file starts with the transformed database signature.
    static bool isTransformed(const QByteArray &head);

    // Copies the file `source` to the new file `target` (which must not exist),
    // restoring the header in the copy when the source is a transformed report;
    // the source is only read. Returns whether the header was restored. Raises
    // FileError.
    static bool copyRestored(const QString &source, const QString &target);

    // Transforms the header of a finished report file in place and flushes it
    // to the disk.
    static void transformFile(const QString &path);
};

} // namespace tq::exchange
