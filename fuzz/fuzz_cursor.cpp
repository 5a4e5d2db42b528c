// The header of a cursor file found in the program folder.
#include "platform/Failure.h"
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
        // The picture's own header, read without decoding the picture.
        HandCursor::pictureSize(bytes);
    } catch (const Failure &) {
    }
    return 0;
}
