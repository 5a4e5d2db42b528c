// How far the auto-free tick strays from its one-second grid, run against the real
// main window and timer (with test doubles for the services). Prints a summary;
// run it with the machine loaded to see the effect of load.
#include "support/doubles/FakePlatform.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TEMP", "/tmp");
    QApplication app(argc, argv);
    const int ticks = argc > 1 ? std::atoi(argv[1]) : 20;

    FakePlatform platform;
    Form1 form(platform.services());
    form.Form_Load(); // first start: auto free on, one tick a second
    auto *timer1 = form.findChild<QTimer *>(QStringLiteral("Timer1"));

    QElapsedTimer clock;
    std::vector<qint64> at;
    QObject::connect(timer1, &QTimer::timeout, [&] {
        at.push_back(clock.nsecsElapsed());
        if (int(at.size()) == ticks)
            app.quit();
    });
    clock.start();
    app.exec();

    qint64 worstDrift = 0, shortest = INT64_MAX, longest = 0;
    for (std::size_t i = 0; i < at.size(); ++i) {
        worstDrift = std::max(worstDrift, std::llabs(at[i] - qint64(i + 1) * 1000000000LL));
        if (i > 0) {
            shortest = std::min(shortest, at[i] - at[i - 1]);
            longest = std::max(longest, at[i] - at[i - 1]);
        }
    }
    std::printf("Timer1: %zu ticks; gap %.3f..%.3f ms; worst distance from the 1 s grid %.3f ms; "
                "counter %d\n",
                at.size(), shortest / 1e6, longest / 1e6, worstDrift / 1e6, int(form.autoFreeCounter()));
    return 0;
}
