#include "QtMessageBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>
#include <QTextOption>
#include <QWindow>

#include <algorithm>

namespace QtMessageBoxInternals {

int softLimit(const QRect &screen)
{
    return std::min(screen.width() / 2, 500);
}

int hardLimit(const QRect &screen)
{
    return screen.width() <= 1024 ? screen.width() : std::min(screen.width() - 480, 1000);
}

QLabel *label(const QMessageBox &box)
{
    return box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
}

QDialogButtonBox *buttonBox(const QMessageBox &box)
{
    return box.findChild<QDialogButtonBox *>(QStringLiteral("qt_msgbox_buttonbox"));
}

QTextDocument *document(const QLabel &label)
{
    return label.findChild<QTextDocument *>();
}

} // namespace QtMessageBoxInternals

namespace {

using namespace QtMessageBoxInternals;

// Qt sizes the box to the screen's whole width on a small screen (hardLimit), so
// its window frame, and the end of each long line, fall off the right edge; and the
// label lays a word wider than the box out on one line, cut at its edge. Each time
// Qt sizes the box (when shown, and again on every layout request), the box is
// narrowed to the room the frame leaves and such a word is broken where it must be.
class FittedMessageBox : public QMessageBox {
public:
    void fitWithin(const QRect &screen, int room, QLabel *label)
    {
        m_screen = screen;
        m_room = room;
        m_label = label;
        label->installEventFilter(this);
    }

protected:
    bool event(QEvent *event) override
    {
        const bool done = QMessageBox::event(event);
        if (m_label && (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest))
            fit();
        return done;
    }

    // A label marked for a new layout lays its text out again, with its own wrap
    // mode, when it next paints: the mode is put back before that.
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint)
            breakLongWords();
        return QMessageBox::eventFilter(watched, event);
    }

private:
    void breakLongWords()
    {
        QTextDocument *text = document(*m_label);
        if (!text || !m_label->wordWrap())
            return;
        m_label->heightForWidth(m_label->width()); // the label's own layout first
        QTextOption option = text->defaultTextOption();
        if (option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere)
            return;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        text->setDefaultTextOption(option);
        m_label->updateGeometry(); // the layout keeps the heights it had for the label
    }

    void fit()
    {
        breakLongWords();
        // Once shown, the box may know its own frame.
        const int room = std::min(m_room, m_screen.width() - (frameGeometry().width() - width()));
        const int fitted = std::min(width(), room);
        layout()->invalidate();
        setFixedSize(fitted, layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(fitted) : height());
        // As Qt does after sizing the box: the requests that sizing posts would undo it.
        QCoreApplication::removePostedEvents(this, QEvent::LayoutRequest);
    }

    QRect m_screen;
    int m_room = 0;
    QLabel *m_label = nullptr;
};

// The width the box may take: the screen's, less the window manager's frame. The
// frame is known only once a window has one, so the owner's stands for it.
int roomFor(const QMessageBox &box, const QRect &screen)
{
    const QWidget *owner = QApplication::activeWindow();
    const int frame = owner && owner->frameGeometry().width() > owner->width()
        ? owner->frameGeometry().width() - owner->width()
        : 2 * box.style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    return std::min(screen.width() - frame, hardLimit(screen));
}

// A wrapped line may break after any "/" of a web address. The text is left as it
// is (a copy or a screen reader gets it exactly); the box is made wide enough for
// each line that holds an address, as far as it may grow.
void keepAddressesWhole(QMessageBox &box, QLabel &label, int room)
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
    const int over = box.layout()->totalMinimumSize().width() - room;
    if (over > 0)
        label.setMinimumWidth(std::max(0, widest - over));
}

// A text taller than the screen leaves the buttons off it: the text scrolls then,
// wrapped as Qt wraps a long text, and the box keeps to the screen's height.
void fitTheScreen(QMessageBox &box, QLabel &label, const QRect &screen)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    const QWidget *buttons = buttonBox(box);
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
    FittedMessageBox box;
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
    if (QLabel *shown = label(box); shown && box.screen()) {
        const QRect screen = box.screen()->availableGeometry();
        const int room = roomFor(box, screen);
        keepAddressesWhole(box, *shown, room);
        box.fitWithin(screen, room, shown);
        fitTheScreen(box, *shown, screen);
    }
    const int pressed = box.exec();
    if ((style & 0xF) == vbYesNo)
        return pressed == QMessageBox::Yes ? vbYes : vbNo;
    return vbOK;
}
