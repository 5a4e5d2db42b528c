// Build-time tool: writes the program icon as PNG files for the hicolor theme,
// drawn by the same code as the window's icon.
//   render-icons <output dir> <file name> <size>...
// writes <output dir>/<size>x<size>/apps/<file name> for each size.

#include "ui/ProgramIcon.h"

#include <QDir>
#include <QImage>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s OUTPUT-DIR FILE-NAME SIZE...\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString fileName = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QByteArray(argv[i]).toInt(&ok);
        if (!ok || size < 16 || size > 1024) {
            std::fprintf(stderr, "render-icons: bad size '%s'\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        const QString path = folder + u'/' + fileName;
        if (!QDir().mkpath(folder) || !ProgramIcon::render(size).save(path, "PNG")) {
            std::fprintf(stderr, "render-icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
