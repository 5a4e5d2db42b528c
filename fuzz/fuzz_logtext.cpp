// The history log's bytes as they become the clipboard's text, read in pieces.
#include "platform/linux/PosixFileSystem.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto *bytes = reinterpret_cast<const char *>(data);
    const FileService::Text whole = PosixFileSystem::decodeUtf8(bytes, qsizetype(size), qMax<qsizetype>(1, size));
    // Where the pieces split the file changes nothing.
    for (qsizetype chunk : {1, 2, 3, 7}) {
        const FileService::Text pieces = PosixFileSystem::decodeUtf8(bytes, qsizetype(size), chunk);
        if (pieces.text != whole.text || pieces.replacedInvalidBytes != whole.replacedInvalidBytes)
            std::abort();
    }
    // Nothing changes silently: text said to be unchanged is exactly the file's bytes.
    if (!whole.replacedInvalidBytes && whole.text.toUtf8() != QByteArray(bytes, qsizetype(size)))
        std::abort();
    return 0;
}
