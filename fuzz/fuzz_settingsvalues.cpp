// Values read back from the settings file, which anyone may have edited. The first byte
// chooses how the rest becomes text: UTF-8 as the INI file holds it, or raw UTF-16; or,
// with its second bit, that the rest is a whole settings file, read and saved by the
// store and checked against QSettings.
#include "app/SettingsValues.h"
#include "platform/Failure.h"
#include "platform/linux/IniSettingsStore.h"

#include <QFile>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// A reading of "OftenIndex" made without Qt: decimal ASCII digits with an optional sign,
// ASCII blanks around, within 16 bits.
std::optional<qint16> referenceIndex(const QString &text)
{
    const char *blanks = " \t\n\v\f\r";
    std::string digits = text.toStdString();
    digits.erase(0, digits.find_first_not_of(blanks, 0, 6));
    digits.erase(digits.find_last_not_of(blanks, std::string::npos, 6) + 1);
    const std::size_t first = !digits.empty() && (digits.front() == '+' || digits.front() == '-') ? 1 : 0;
    if (digits.size() == first || digits.find_first_not_of("0123456789", first) != std::string::npos)
        return std::nullopt;
    if (digits.front() == '+')
        digits.erase(0, 1);
    long long value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || value < INT16_MIN || value > INT16_MAX)
        return std::nullopt;
    return static_cast<qint16>(value);
}

// Every key QSettings reads from the file, in the order it reads all of them.
QMap<QString, QVariant> qtValues(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    require(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    QSettings settings(path, QSettings::IniFormat);
    QMap<QString, QVariant> values;
    for (const QString &key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

// The store reads each of its keys as QSettings does, as long as QSettings reads plain
// text; a save changes that key alone.
void checkFile(const QByteArray &bytes, int which)
{
    static QTemporaryDir folder;
    static int round = 0;
    require(folder.isValid());
    const QString path = folder.filePath(QString::number(++round)); // QSettings keeps what it read by name
    const QString keys[] = {"OftenIndex", "StartStopState", "Windows Startup", "Minimized"};
    IniSettingsStore store(path + QStringLiteral(".store"), QStringLiteral("Ramtidy"));
    QMap<QString, QVariant> before = qtValues(path + QStringLiteral(".store"), bytes);
    QMap<QString, QString> ours;
    try {
        ours = store.readAll();
    } catch (const Failure &) { // a group inside ours, or a file past the bound
        return;
    }
    QSettings qt(path + QStringLiteral(".store"), QSettings::IniFormat);
    qt.beginGroup(QStringLiteral("Ramtidy"));
    for (const QString &key : keys) {
        const QVariant value = qt.value(key);
        require(qt.contains(key) == ours.contains(key));
        require(value.typeId() != QMetaType::QString || value.toString().startsWith(u'@')
                || value.toString() == ours.value(key));
    }
    const QString value = which == 0 ? QStringLiteral("9") : QStringLiteral("On");
    try {
        store.write(keys[which], value);
    } catch (const Failure &) {
        return;
    }
    QFile saved(path + QStringLiteral(".store"));
    require(saved.open(QIODevice::ReadOnly));
    before.insert(QStringLiteral("Ramtidy/") + keys[which], value);
    require(qtValues(path + QStringLiteral(".after"), saved.readAll()) == before);
    QFile::remove(path + QStringLiteral(".store"));
    QFile::remove(path + QStringLiteral(".after"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    if (data[0] & 2) {
        checkFile(QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)), (data[0] >> 2) & 3);
        return 0;
    }
    const bool utf16 = data[0] & 1;
    const char *bytes = reinterpret_cast<const char *>(data + 1);
    const std::size_t length = size - 1;
    QString text = QString::fromUtf8(bytes, static_cast<qsizetype>(length));
    if (utf16) { // the units as they are: fromUtf16 would drop a leading byte-order mark
        text.resize(qsizetype(length / 2));
        std::memcpy(text.data(), bytes, length / 2 * 2);
    }

    const std::optional<qint16> index = SettingsValues::OftenIndex(text);
    require(index == referenceIndex(text));
    if (index)
        require(SettingsValues::OftenIndex(QString::number(*index)) == index);

    // The words are exact: no case folding, no blanks, nothing after them.
    const auto is = [&](const char *word) {
        const std::size_t n = std::strlen(word);
        if (!utf16)
            return length == n && std::memcmp(bytes, word, n) == 0;
        if (length / 2 != n)
            return false;
        for (std::size_t i = 0; i < n; ++i) {
            char16_t unit;
            std::memcpy(&unit, bytes + 2 * i, sizeof unit);
            if (unit != static_cast<char16_t>(word[i]))
                return false;
        }
        return true;
    };
    require(SettingsValues::IsOn(text) == is("On"));
    require(SettingsValues::IsOff(text) == is("Off"));
    return 0;
}
