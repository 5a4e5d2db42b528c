#pragma once

#include "platform/SettingsStore.h"
#include "platform/linux/PosixFileSystem.h"

// Settings in an INI file, one group, read and written by the program itself: a
// value is the text that stands in the file, nothing is decoded, and no lock or
// temporary file of a library's is made beside it. Each write is on disk before
// it returns, so another running copy reads it at once; the file's other lines
// stay as they were.
class IniSettingsStore : public SettingsStore {
public:
    IniSettingsStore(QString path, QString group);

    QMap<QString, QString> readAll() const override;
    void write(const QString &key, const QString &value) override;

    // A key as the file spells it, and back: Qt's form, so that every file the
    // program wrote before reads the same ("Windows Startup" is Windows%20Startup).
    static QByteArray escapedKey(const QString &key);
    static QString unescapedKey(QByteArrayView key);

private:
    QByteArray readFile() const;

    PosixFileSystem m_files; // the rule every file is read and written by
    QString m_path;
    QString m_group;
};
