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
        // A hotspot is accepted only inside the picture the header declares.
        const int width = size > 6 && data[6] ? data[6] : 256;
        const int height = size > 7 && data[7] ? data[7] : 256;
        if (hot.x() < 0 || hot.y() < 0 || hot.x() >= width || hot.y() >= height)
            std::abort();
        // A picture is read only where Qt reads the same one.
        if (HandCursor::picture(bytes) != expectedCursorPicture(bytes))
            std::abort();
    } catch (const Failure &) {
    }
    return 0;
}
