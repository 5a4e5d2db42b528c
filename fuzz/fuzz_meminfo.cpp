// The meminfo reader, given any text a file at its path might hold.
#include "platform/linux/ProcMemoryStatus.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

// True when a line of the text starts with "<key>:", blanks, then the figure's KiB count
// (leading zeros allowed) and no further digit: the figure is what its line says, unwrapped.
bool writtenOnALine(std::string_view text, std::string_view key, std::uint64_t bytes)
{
    const std::string kib = std::to_string(bytes / 1024);
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::size_t pos = 0; (pos = text.find(key, pos)) != std::string_view::npos; ++pos) {
        std::size_t p = pos + key.size();
        if ((pos != 0 && text[pos - 1] != '\n') || p >= text.size() || text[p] != ':')
            continue;
        for (++p; p < text.size() && text[p] == ' ';)
            ++p;
        while (p < text.size() && text[p] == '0')
            ++p;
        if (text.substr(p, kib.size()) == kib && (p + kib.size() == text.size() || !isDigit(text[p + kib.size()])))
            return true;
    }
    return false;
}

// The largest figure there is: a count below 2^53 KiB, in bytes.
constexpr std::uint64_t maxFigure = ((std::uint64_t{1} << 53) - 1) * 1024;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    MEMORYSTATUS status;
    ProcMemoryStatus::parse(text, status);
    const std::uint64_t total = status.dwTotalPhys;
    const std::uint64_t avail = status.dwAvailPhys;

    require(status.dwLength == sizeof(MEMORYSTATUS));
    // Whole KiB, and never a wrapped count.
    require(total % 1024 == 0 && avail % 1024 == 0);
    require(total <= maxFigure && avail <= maxFigure);
    // A figure is zero or the number on its own line.
    if (total > 0)
        require(writtenOnALine(text, "MemTotal", total));
    if (avail > 0)
        require(writtenOnALine(text, "MemAvailable", avail) || writtenOnALine(text, "MemFree", avail));
    // More available than total only when MemAvailable was set aside for MemFree.
    if (total > 0 && avail > total)
        require(contains(text, "MemFree:"));

    // The first line of each key counts, read whole: repeating the lines changes nothing.
    const std::string twice = std::string(text) + '\n' + std::string(text);
    MEMORYSTATUS again;
    ProcMemoryStatus::parse(twice, again);
    require(again.dwTotalPhys == total && again.dwAvailPhys == avail);
    return 0;
}
