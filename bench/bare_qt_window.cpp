// The toolkit floor for the footprint comparison: what a plain Qt 6 Widgets program costs
// with the same visible work as Ramtidy's idle window at its size: a frame whose caption
// counts down every second above a progress bar that steps with it, three labels refreshed
// every 400 ms from /proc/meminfo, and an icon in the tray. Written as any Qt program would
// be, with default style, fonts and plugins; nothing here is tuned to look cheap.
#include <QApplication>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QSystemTrayIcon>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The program's default interval: ten minutes.
constexpr int IntervalSeconds = 600;

struct Meminfo {
    long long totalKib = 0;
    long long freeKib = 0;
};

// Kept open and read again from its start, as the program under test reads it.
Meminfo readMeminfo()
{
    static const int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    Meminfo m;
    char buf[4096];
    const ssize_t n = fd < 0 ? -1 : ::pread(fd, buf, sizeof buf - 1, 0);
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
    // With no session bus, the D-Bus library would launch one for Qt's tray-icon probe, and
    // the bench would sum it into the floor. Ramtidy marks the bus absent the same way.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    QApplication app(argc, argv);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Qt floor"));
    auto *layout = new QVBoxLayout(&window);

    auto *status = new QGroupBox(&window);
    auto *bar = new QProgressBar(status);
    bar->setRange(0, IntervalSeconds);
    (new QVBoxLayout(status))->addWidget(bar);
    layout->addWidget(status);

    auto *ram = new QGroupBox(QStringLiteral("RAM"), &window);
    auto *ramLayout = new QVBoxLayout(ram);
    auto *total = new QLabel(ram);
    auto *freeLabel = new QLabel(ram);
    auto *used = new QLabel(ram);
    ramLayout->addWidget(total);
    ramLayout->addWidget(freeLabel);
    ramLayout->addWidget(used);
    layout->addWidget(ram);
    layout->addStretch();

    const auto refresh = [&] {
        const Meminfo m = readMeminfo();
        total->setText(QStringLiteral("Total RAM: %1 KB").arg(m.totalKib));
        freeLabel->setText(QStringLiteral("Free RAM: %1 KB").arg(m.freeKib));
        used->setText(QStringLiteral("Used RAM: %1 KB").arg(m.totalKib - m.freeKib));
    };
    refresh();
    QTimer ramTimer;
    ramTimer.setTimerType(Qt::CoarseTimer);
    QObject::connect(&ramTimer, &QTimer::timeout, refresh);
    ramTimer.start(400);

    int elapsed = 0;
    const auto tick = [&] {
        elapsed = elapsed % IntervalSeconds + 1;
        const QTime left = QTime(0, 0).addSecs(IntervalSeconds - elapsed);
        status->setTitle(QStringLiteral("Next free will occur in ") + left.toString(QStringLiteral("hh:mm:ss")));
        bar->setValue(elapsed);
    };
    tick();
    QTimer countdown;
    countdown.setTimerType(Qt::PreciseTimer);
    QObject::connect(&countdown, &QTimer::timeout, tick);
    countdown.start(1000);

    const QIcon icon = drawnIcon();
    window.setWindowIcon(icon);
    QSystemTrayIcon tray(icon);
    tray.setToolTip(QStringLiteral("Bare Qt floor"));
    tray.show();

    // Ramtidy's window in logical pixels.
    window.setFixedSize(536, 399);
    window.show();
    return app.exec();
}
