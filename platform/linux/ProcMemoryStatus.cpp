#include "ProcMemoryStatus.h"

#include "platform/Failure.h"
#include "platform/linux/PosixFileSystem.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include <unistd.h>

namespace {

// Value of "Key:   123 kB" in bytes; none when the key is missing, malformed or too large.
std::optional<std::uint64_t> fieldBytes(std::string_view text, std::string_view key)
{
    std::size_t pos = 0;
    while ((pos = text.find(key, pos)) != std::string_view::npos) {
        const bool atLineStart = pos == 0 || text[pos - 1] == '\n';
        const std::size_t after = pos + key.size();
        if (atLineStart && after < text.size() && text[after] == ':') {
            std::size_t p = after + 1;
            while (p < text.size() && text[p] == ' ')
                ++p;
            std::uint64_t kib = 0;
            const auto [end, ec] = std::from_chars(text.data() + p, text.data() + text.size(), kib);
            // Below 2^53 KiB the byte count stays below 2^63, so that it never wraps
            // negative where figures are worked with as signed numbers.
            if (ec != std::errc() || kib >= (std::uint64_t{1} << 53))
                return std::nullopt;
            return kib * 1024;
        }
        pos = after;
    }
    return std::nullopt;
}

} // namespace

void ProcMemoryStatus::parse(std::string_view text, MEMORYSTATUS &status)
{
    const std::uint64_t total = fieldBytes(text, "MemTotal").value_or(0);
    std::optional<std::uint64_t> avail = fieldBytes(text, "MemAvailable");
    // Kernels before 3.14 have no MemAvailable; a value above the total is not credible.
    if (!avail || *avail > total)
        avail = fieldBytes(text, "MemFree");
    status.dwLength = sizeof(MEMORYSTATUS);
    status.dwTotalPhys = total;
    // Free is never above total, whatever a broken file says.
    status.dwAvailPhys = std::min(avail.value_or(0), total);
}

ProcMemoryStatus::ProcMemoryStatus(std::string path)
    : m_path(std::move(path))
{
}

ProcMemoryStatus::~ProcMemoryStatus()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void ProcMemoryStatus::GlobalMemoryStatus(MEMORYSTATUS &status)
{
    // The file stays open and is read again from the start: the kernel writes the text
    // anew for a read at offset 0, and after 400 ms of sleep the path lookup of an open
    // cost as much as the read itself. A stack buffer; the text is about 1.5 KiB.
    // Opened under the rule for every file read: a FIFO in its place would block the
    // window. What cannot be opened reads as no figures, as an unreadable file does.
    if (m_fd < 0) {
        try {
            m_fd = PosixFileSystem::openToRead(QString::fromStdString(m_path), PosixFileSystem::Owner::UserOrRoot);
        } catch (const Failure &) {
        }
    }
    char buffer[8192];
    std::size_t size = 0;
    if (m_fd >= 0) {
        ssize_t n;
        while (size < sizeof buffer
               && (n = ::pread(m_fd, buffer + size, sizeof buffer - size, static_cast<off_t>(size))) > 0)
            size += static_cast<std::size_t>(n);
    }
    parse(std::string_view(buffer, size), status);
}
