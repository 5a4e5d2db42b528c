#pragma once

#include "platform/FileService.h"

// Files through POSIX calls, so that links, owners and blocking opens are under
// our control rather than a library's.
class PosixFileSystem : public FileService {
public:
    bool exists(const QString &path) const override;
    bool isRegularFile(const QString &path) const override;
    void makePrivateFolder(const QString &path) override;
    void append(const QString &path, const QByteArray &bytes) override;
    void checkOwnFile(const QString &path) const override;
    Text readOwnText(const QString &path, qint64 maxBytes) const override;
    QByteArray readProgramFile(const QString &path, qint64 maxBytes) const override;
    void replace(const QString &path, const QByteArray &bytes) override;
    void remove(const QString &path) override;

    // UTF-8 decoded in pieces of `chunk` bytes, as a file is read; invalid bytes
    // become U+FFFD and are reported.
    static Text decodeUtf8(const char *data, qsizetype size, qsizetype chunk = 64 * 1024);
};
