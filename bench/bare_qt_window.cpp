// The toolkit floor for the footprint comparison: what a plain Qt 6 Widgets program costs
// with the same visible work as Ramtidy's idle window — three labels refreshed every
// 400 ms from /proc/meminfo, and an icon in the tray. Written as any Qt program would be,
// with default style, fonts and plugins; nothing here is tuned to look cheap.
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

struct Meminfo {
    long long totalKib = 0;
    long long freeKib = 0;
};

// A plain open/read/close, like the program under test.
Meminfo readMeminfo()
{
    Meminfo m;
    char buf[4096];
    const int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return m;
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n <= 0)
        return m;
    buf[n] = '\0';
    if (const char *p = std::strstr(buf, "MemTotal:"))
        std::sscanf(p + 9, "%lld", &m.totalKib);
    if (const char *p = std::strstr(buf, "MemAvailable:"))
        std::sscanf(p + 13, "%lld", &m.freeKib);
    return m;
}

QIcon drawnIcon()
{
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(40, 110, 200));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(2, 2, 18, 18, 4, 4);
    painter.setBrush(Qt::white);
    painter.drawRect(6, 12, 3, 6);
    painter.drawRect(10, 8, 3, 10);
    painter.drawRect(14, 5, 3, 13);
    return QIcon(pixmap);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Qt floor"));
    auto *layout = new QVBoxLayout(&window);
    auto *total = new QLabel(&window);
    auto *freeLabel = new QLabel(&window);
    auto *used = new QLabel(&window);
    layout->addWidget(total);
    layout->addWidget(freeLabel);
    layout->addWidget(used);

    const auto refresh = [&] {
        const Meminfo m = readMeminfo();
        total->setText(QStringLiteral("Total: %1 KB").arg(m.totalKib));
        freeLabel->setText(QStringLiteral("Free: %1 KB").arg(m.freeKib));
        used->setText(QStringLiteral("Used: %1 KB").arg(m.totalKib - m.freeKib));
    };
    refresh();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, refresh);
    timer.start(400);

    const QIcon icon = drawnIcon();
    window.setWindowIcon(icon);
    QSystemTrayIcon tray(icon);
    tray.setToolTip(QStringLiteral("Bare Qt floor"));
    tray.show();

    window.resize(320, 120);
    window.show();
    return app.exec();
}
