#pragma once

#include "platform/FileService.h"

#include <QSet>

#include <functional>

// Files through POSIX calls, so that links, owners and blocking opens are under
// our control rather than a library's.
class PosixFileSystem : public FileService {
public:
    enum class Owner { User, UserOrRoot };

    // Re-reads the user's own configuration file (empty when there is none) and
    // replaces it with what `change` makes of it, as replace() does, holding a lock
    // on its folder meanwhile, so that another copy's save in between is not undone.
    // False, and nothing written, while another holds that lock: it is never waited
    // for. The path and its links are followed anew at every save. The copies a
    // killed save left beside the file go at the first save of each file.
    bool updateOwnConfig(const QString &path, qint64 maxBytes,
                         const std::function<QByteArray(const QByteArray &)> &change);

    bool exists(const QString &path) const override;
    bool isRegularFile(const QString &path) const override;
    bool isFolder(const QString &path) const override;
    void makePrivateFolder(const QString &path) override;
    void append(const QString &path, const QByteArray &bytes) override;
    void checkOwnFile(const QString &path) const override;
    Text readOwnText(const QString &path, qint64 maxBytes) const override;
    QByteArray readProgramFile(const QString &path, qint64 maxBytes) const override;
    QByteArray readProgramFileBeneath(const QString &folder, const QString &name, qint64 maxBytes) const override;
    std::optional<QByteArray> readOwnConfig(const QString &path, qint64 maxBytes,
                                            bool rootTarget = false) const override;
    void replace(const QString &path, const QByteArray &bytes) override;
    void remove(const QString &path) override;

    // UTF-8 decoded in pieces of `chunk` bytes, as a file is read; invalid bytes
    // become U+FFFD and are reported.
    static Text decodeUtf8(const char *data, qsizetype size, qsizetype chunk = 64 * 1024);

    // A descriptor for reading a file the program keeps open, under the same rule
    // as every read. Throws Failure naming the file and the reason.
    static int openToRead(const QString &path, Owner owner);

    // A path from the system's bytes and back. A byte that is not UTF-8 (a folder
    // named in Latin-1) is kept as U+DC80 + byte, as Python does, so the path
    // names the same file; Qt's own decoding makes it U+FFFD, which names none.
    static QString decodePath(const QByteArray &bytes);
    static QByteArray encodePath(const QString &path);

    QString memoryFile(const QByteArray &bytes) override;

private:
    QSet<QByteArray> m_cleared; // the files whose killed saves' copies are gone
};
