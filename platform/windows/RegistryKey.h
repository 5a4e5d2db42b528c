#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

#include <windows.h>

// One open registry key, closed when it goes. Failures throw Failure naming the
// key and the system's reason.
class RegistryKey {
public:
    // The key, or nothing when it does not exist.
    static std::optional<RegistryKey> open(HKEY root, const QString &path, REGSAM access);
    // The key, made with its parents when missing.
    static RegistryKey create(HKEY root, const QString &path, REGSAM access);
    // The key as the user reads it: "HKEY_CURRENT_USER\…".
    static QString name(HKEY root, const QString &path);

    RegistryKey(RegistryKey &&other) noexcept;
    RegistryKey &operator=(RegistryKey &&) = delete;
    ~RegistryKey();

    struct Value {
        QString name;
        DWORD type;
        DWORD bytes;
    };
    // Every value, of any type, in the order the key lists them.
    QList<Value> values() const;
    // The text of a string value; nothing when the value is missing or holds no text.
    std::optional<QString> text(const QString &valueName) const;
    // The bytes of a binary value; nothing when it is missing or not binary.
    std::optional<QByteArray> bytes(const QString &valueName) const;
    // Whether the value exists, of any type.
    bool hasValue(const QString &valueName) const;
    void setText(const QString &valueName, const QString &text);
    // A missing value is not an error.
    void removeValue(const QString &valueName);

    const QString &name() const { return m_name; }

private:
    RegistryKey(HKEY key, QString name);
    [[noreturn]] void fail(const char *what, LSTATUS status) const;

    HKEY m_key;
    QString m_name;
};
