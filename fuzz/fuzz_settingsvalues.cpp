// Values read back from the settings file, which anyone may have edited. The first byte
// chooses how the rest becomes text: UTF-8 as the INI file holds it, or raw UTF-16.
#include "app/SettingsValues.h"

#include <QString>

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
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
