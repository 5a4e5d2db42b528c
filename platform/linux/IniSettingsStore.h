#pragma once

#include "platform/SettingsStore.h"
#include "platform/linux/PosixFileSystem.h"

// Settings in an INI file, read as QSettings reads it and written by the program
// itself: no lock or temporary file of a library's is made beside it, and a save
// changes one value and leaves every other line as it was. A value is the text
// QSettings gives for it; one QSettings would turn into another type (a list, an
// `@`-prefixed value) is the text as it stands, never decoded. Each write is on
// disk before it returns, so another running copy reads it at once, unless another
// copy is saving just then: the value then waits for the next write or flush.
class IniSettingsStore : public SettingsStore {
public:
    IniSettingsStore(QString path, QString group);

    QMap<QString, QString> readAll() const override;
    void write(const QString &key, const QString &value) override;
    QString leftAsItIs() const override;
    QStringList waitingKeys() const override { return m_waiting.keys(); }
    bool flush(std::chrono::milliseconds patience) override;

    // A key as the file spells it, and back: Qt's form, so that every file the
    // program wrote before reads the same ("Windows Startup" is Windows%20Startup).
    static QByteArray escapedKey(const QString &key);
    static QString unescapedKey(QByteArrayView key);

private:
    // The bytes after a save of `key` in `bytes`; throws Failure when the file
    // cannot be changed so that every other key still reads the same.
    QByteArray withValue(const QByteArray &bytes, const QString &key, const QString &value) const;
    // The group's values in `bytes`; throws Failure for a file QSettings would
    // read differently depending on the order of its reads.
    QMap<QString, QString> valuesIn(const QByteArray &bytes) const;
    // Writes every waiting value in one save: whether they are on disk.
    bool saveWaiting();
    PosixFileSystem m_files; // the rule every file is read and written by
    QMap<QString, QString> m_waiting;
    QString m_path;
    QString m_group;
};
