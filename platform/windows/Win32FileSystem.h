#pragma once

#include "platform/FileService.h"

#include <QStringList>

// Files through Win32 calls, so that reparse points (links, junctions), owners,
// devices and sizes are checked on the handle that is read, not on a name that
// could change in between. What is reached through a reparse point is refused:
// a path is taken only when the system's final path for the opened file is the
// path asked for.
class Win32FileSystem : public FileService {
public:
    Win32FileSystem() = default;
    ~Win32FileSystem() override;
    Win32FileSystem(const Win32FileSystem &) = delete;
    Win32FileSystem &operator=(const Win32FileSystem &) = delete;

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
    QString memoryFile(const QByteArray &bytes) override;

private:
    QStringList m_memoryFiles; // removed with the service
    std::vector<void *> m_memoryHandles; // held open so that nobody else writes them
};
