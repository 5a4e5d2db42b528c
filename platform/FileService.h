#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Files the program reads and writes, all under one rule. Files from outside are
// taken only as regular files of a trusted owner, never by an open that could
// block, and never beyond a size bound. A link is followed only to the user's own
// configuration (dotfile managers link it) when the link and its target are both
// the user's own; the log and anything else never through a link. Files replaced
// whole are replaced atomically. Failures throw Failure with a text that names
// the file and the reason.
class FileService {
public:
    // Text read from a file, and whether bytes that are not UTF-8 were replaced.
    struct Text {
        QString text;
        bool replacedInvalidBytes = false;
    };

    virtual ~FileService() = default;

    // Whether something exists at the path (a link counts, whatever it points at).
    virtual bool exists(const QString &path) const = 0;
    // Whether a regular file, not a link, is at the path.
    virtual bool isRegularFile(const QString &path) const = 0;
    // Whether a folder, not a link to one, is at the path.
    virtual bool isFolder(const QString &path) const = 0;

    // The folder and any missing parents, each created private to the user. A
    // folder that already exists keeps its mode.
    virtual void makePrivateFolder(const QString &path) = 0;

    // Appends whole bytes to the user's own file, creating it 0600. A write that
    // fails part-way is undone, so the file never ends inside a line.
    virtual void append(const QString &path, const QByteArray &bytes) = 0;
    // Checks that the path is the user's own regular file, to hand it to another program.
    virtual void checkOwnFile(const QString &path) const = 0;
    // The UTF-8 text of the user's own file, at most `maxBytes` long.
    virtual Text readOwnText(const QString &path, qint64 maxBytes) const = 0;
    // The bytes of a file that ships with the program: owned by the user or by root.
    virtual QByteArray readProgramFile(const QString &path, qint64 maxBytes) const = 0;
    // The same, for a file named from a folder of the program's (a skin's picture):
    // no step of `name` below `folder` may be a link or lead out of it.
    virtual QByteArray readProgramFileBeneath(const QString &folder, const QString &name, qint64 maxBytes) const = 0;

    // The bytes of the user's own configuration file, at most `maxBytes` long,
    // through links that are the user's own to a file of theirs; nothing when no
    // file is at the path (or where its link points). With `rootTarget`, the file
    // behind such a link may also be root's: a configuration manager's store.
    virtual std::optional<QByteArray> readOwnConfig(const QString &path, qint64 maxBytes,
                                                    bool rootTarget = false) const = 0;

    // Writes the whole file or leaves the old one in place; a copy left behind by
    // a killed write goes. A link that is the user's own, to a file of theirs, is
    // written through: its target is replaced and the link stays. Any other link,
    // or another user's file, is refused.
    virtual void replace(const QString &path, const QByteArray &bytes) = 0;
    // Removes the name (a link itself, never what it points at); a missing file is
    // not an error.
    virtual void remove(const QString &path) = 0;

    // A path to a sealed copy of the bytes held in memory, for a library that
    // opens files by path itself: what it opens is what was checked, not a file
    // that could change, block or point elsewhere. It stays valid while the
    // process runs. Throws Failure with the system's reason.
    virtual QString memoryFile(const QByteArray &bytes) = 0;
};
