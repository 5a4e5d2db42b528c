// A cursor file found in the program folder: its directory, and its picture
// against Qt's own reading of the file.
#include "platform/Failure.h"
#include "tests/support/oracles/QtCursorReading.h"
#include "ui/HandCursor.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const QPoint hot = HandCursor::hotSpot(bytes);
        // A picture is read only where Qt reads the same one, and only with its
        // hotspot inside.
        const QImage picture = HandCursor::picture(bytes);
        if (!picture.rect().contains(hot) || picture != expectedCursorPicture(bytes))
            std::abort();
    } catch (const Failure &) {
    }
    return 0;
}
