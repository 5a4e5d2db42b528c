// The meminfo reader, given any text a file at its path might hold.
#include "platform/linux/ProcMemoryStatus.h"

#include <charconv>
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

// The reader's bound: a figure is a count below 2^53 KiB.
constexpr std::uint64_t boundKiB = std::uint64_t{1} << 53;

// True when a line of the text starts with "<key>:", blanks, then a KiB count below the
// bound (leading zeros allowed, no further digit) whose bytes pass `test`.
template <typename Test> bool aLineHolds(std::string_view text, std::string_view key, Test test)
{
    for (std::size_t pos = 0; (pos = text.find(key, pos)) != std::string_view::npos; ++pos) {
        std::size_t p = pos + key.size();
        if ((pos != 0 && text[pos - 1] != '\n') || p >= text.size() || text[p] != ':')
            continue;
        for (++p; p < text.size() && text[p] == ' ';)
            ++p;
        std::uint64_t kib = 0;
        const auto [end, ec] = std::from_chars(text.data() + p, text.data() + text.size(), kib);
        if (ec == std::errc() && kib < boundKiB && test(kib * 1024))
            return true;
    }
    return false;
}

// The largest figure there is: a count below 2^53 KiB, in bytes.
constexpr std::uint64_t maxFigure = (boundKiB - 1) * 1024;

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
    // Free is never above total.
    require(avail <= total);
    // A figure is zero or the count of its own line, below the bound; free is cut to the
    // total only when MemFree says more.
    const auto is = [](std::uint64_t figure) { return [figure](std::uint64_t bytes) { return bytes == figure; }; };
    if (total > 0)
        require(aLineHolds(text, "MemTotal", is(total)));
    if (avail > 0)
        require(aLineHolds(text, "MemAvailable", is(avail)) || aLineHolds(text, "MemFree", is(avail))
                || (avail == total && aLineHolds(text, "MemFree", [&](std::uint64_t bytes) { return bytes > total; })));

    // The first line of each key counts, read whole: repeating the lines changes nothing.
    const std::string twice = std::string(text) + '\n' + std::string(text);
    MEMORYSTATUS again;
    ProcMemoryStatus::parse(twice, again);
    require(again.dwTotalPhys == total && again.dwAvailPhys == avail);
    return 0;
}
