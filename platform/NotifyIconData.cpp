#include "NotifyIconData.h"

QString NotifyIconData::fitField(const QString &text, int width)
{
    const int limit = width - 1;
    int bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const char32_t c = text.at(end).isHighSurrogate() && end + 1 < text.size()
            ? QChar::surrogateToUcs4(text.at(end), text.at(end + 1))
            : text.at(end).unicode();
        const int size = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (bytes + size > limit)
            break;
        bytes += size;
        end += c >= 0x10000 ? 2 : 1;
    }
    return text.left(end);
}
