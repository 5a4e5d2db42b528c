#include "QtMessageBox.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QWindow>

#include <algorithm>

namespace {

// The widths Qt gives a message box when it is shown: a text wider than the soft
// limit is wrapped; a box wider than the hard limit wraps anywhere, inside words.
int softLimit(const QRect &screen)
{
    return std::min(screen.width() / 2, 500);
}

int hardLimit(const QRect &screen)
{
    return screen.width() <= 1024 ? screen.width() : std::min(screen.width() - 480, 1000);
}

// A wrapped line may break after any "/" of a web address. The text is left as it
// is (a copy or a screen reader gets it exactly); the box is made wide enough for
// each line that holds an address, as far as it may grow.
void keepAddressesWhole(QMessageBox &box, QLabel &label, const QRect &screen)
{
    static const QRegularExpression address(QStringLiteral(R"(https?://\S)"));
    int widest = 0;
    for (const QString &line : box.text().split(u'\n')) {
        if (line.contains(address))
            widest = std::max(widest, label.fontMetrics().horizontalAdvance(line) + 2);
    }
    if (widest == 0)
        return;
    label.setMinimumWidth(widest);
    box.layout()->activate();
    const int over = box.layout()->totalMinimumSize().width() - hardLimit(screen);
    if (over > 0)
        label.setMinimumWidth(std::max(0, widest - over));
}

// A text taller than the screen leaves the buttons off it: the text scrolls then,
// wrapped as Qt wraps a long text, and the box keeps to the screen's height.
void fitTheScreen(QMessageBox &box, QLabel &label, const QRect &screen)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    const auto *buttons = box.findChild<QWidget *>(QStringLiteral("qt_msgbox_buttonbox"));
    if (!grid || !buttons)
        return;
    const int width = softLimit(screen);
    label.setWordWrap(true);
    const QMargins margins = grid->contentsMargins();
    // The window's title bar and frame, which the style can only estimate.
    const int frame = 2 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int room = screen.height() - margins.top() - margins.bottom() - grid->verticalSpacing()
        - buttons->sizeHint().height() - frame;
    if (label.heightForWidth(width) <= room)
        return;
    auto *scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    delete grid->replaceWidget(&label, scroll);
    scroll->setWidget(&label);
    // Wider than the soft limit, so that Qt keeps the text wrapped.
    scroll->setFixedSize(width + scroll->verticalScrollBar()->sizeHint().width(), std::max(room, 0));
}

} // namespace

int QtMessageBox::MsgBox(const QString &text, int style, const QString &title)
{
    // Not a child of the window it belongs to, so that a style sheet the window
    // wears (a skin) does not reach it; the window manager still keeps it over
    // that window, and it is modal to the whole program.
    QMessageBox box;
    box.setWindowModality(Qt::ApplicationModal);
    if (QWidget *owner = QApplication::activeWindow()) {
        box.winId();
        box.windowHandle()->setTransientParent(owner->windowHandle());
    }
    box.setWindowTitle(title);
    box.setText(text);
    if (style & vbExclamation)
        box.setIcon(QMessageBox::Warning);
    if ((style & 0xF) == vbYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label")); label && box.screen()) {
        const QRect screen = box.screen()->availableGeometry();
        keepAddressesWhole(box, *label, screen);
        fitTheScreen(box, *label, screen);
    }
    const int pressed = box.exec();
    if ((style & 0xF) == vbYesNo)
        return pressed == QMessageBox::Yes ? vbYes : vbNo;
    return vbOK;
}
