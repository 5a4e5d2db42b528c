#include "Main.h"

#include "platform/Failure.h"
#include "platform/FileService.h"

#include <QCoreApplication>

#include <cstdlib>

namespace {

// Trims blanks only, as the title and file-name rules count words by blanks.
QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first);
}

} // namespace

namespace Main {

bool FileExists(const FileService &files, const QString &path)
{
    return files.exists(path);
}

QString FormatSeconds(std::int32_t seconds)
{
    const std::int64_t inDay = std::llabs(static_cast<std::int64_t>(seconds)) % 86400;
    return QStringLiteral("%1:%2:%3")
        .arg(inDay / 3600, 2, 10, QLatin1Char('0'))
        .arg(inDay / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(inDay % 60, 2, 10, QLatin1Char('0'));
}

QString DeleteFileForced(FileService &files, const QString &path)
{
    QCoreApplication::processEvents();
    if (path.isEmpty())
        return {};
    // Deleting depends on the folder, not on the file's own mode, so there is no
    // stronger way to try; and a mode is never changed through what may be a link.
    try {
        files.remove(path);
        return {};
    } catch (const Failure &failure) {
        return QString::fromUtf8(failure.what());
    }
}

QString MakeAppTitle(const QString &name)
{
    QString title = name;
    do {
        const qsizetype lastSpace = title.lastIndexOf(u' ');
        if (lastSpace < 0)
            return title;
        title.truncate(lastSpace);
    } while (title.size() > 40);
    return title;
}

QString DropLastWord(const QString &text, const QString &word)
{
    const qsizetype lastSpace = text.lastIndexOf(u' ');
    if (lastSpace < 0)
        return text;
    if (word.isEmpty() || trimBlanks(text.mid(lastSpace)) == word)
        return trimBlanks(text.left(lastSpace));
    return text;
}

QString StripFileNameChars(const QString &text)
{
    static const QString unsafe = QStringLiteral(" \t$/\\*:?<>|#'.,\"()-+=%;{}");
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (!unsafe.contains(c))
            result.append(c);
    }
    return result;
}

} // namespace Main
