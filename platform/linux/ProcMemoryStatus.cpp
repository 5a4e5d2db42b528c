#include "ProcMemoryStatus.h"

#include "platform/Failure.h"
#include "platform/linux/PosixFileSystem.h"

#include <charconv>
#include <string_view>

#include <unistd.h>

namespace {

// Value of "Key:   123 kB" in bytes, or -1 when the key is missing or malformed.
long long fieldBytes(std::string_view text, std::string_view key)
{
    std::size_t pos = 0;
    while ((pos = text.find(key, pos)) != std::string_view::npos) {
        const bool atLineStart = pos == 0 || text[pos - 1] == '\n';
        const std::size_t after = pos + key.size();
        if (atLineStart && after < text.size() && text[after] == ':') {
            std::size_t p = after + 1;
            while (p < text.size() && text[p] == ' ')
                ++p;
            unsigned long long kib = 0;
            const auto [end, ec] = std::from_chars(text.data() + p, text.data() + text.size(), kib);
            // Below 2^53 KiB the byte count stays below 2^63 and cannot wrap negative.
            if (ec != std::errc() || kib >= (1ULL << 53))
                return -1;
            return static_cast<long long>(kib * 1024);
        }
        pos = after;
    }
    return -1;
}

} // namespace

void ProcMemoryStatus::parse(std::string_view text, MEMORYSTATUS &status)
{
    const long long total = fieldBytes(text, "MemTotal");
    long long avail = fieldBytes(text, "MemAvailable");
    // Kernels before 3.14 have no MemAvailable; a value above the total is not credible.
    if (avail < 0 || (total >= 0 && avail > total))
        avail = fieldBytes(text, "MemFree");
    status.dwLength = sizeof(MEMORYSTATUS);
    status.dwTotalPhys = total > 0 ? static_cast<std::uint64_t>(total) : 0;
    status.dwAvailPhys = avail > 0 ? static_cast<std::uint64_t>(avail) : 0;
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
