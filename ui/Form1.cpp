#include "Form1.h"

#include "app/ErrorTrap.h"
#include "app/Globals.h"
#include "memory/mMemory.h"
#include "platform/MessageBoxService.h"
#include "platform/TrayService.h"
#include "tray/cSysTray.h"
#include "ui/Contrast.h"
#include "ui/FrameStyle.h"
#include "ui/ProgramIcon.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFocusFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyleOptionHeader>
#include <QTreeWidget>

#include <algorithm>
#include <utility>

namespace {

QRect twipRect(int left, int top, int width, int height)
{
    return {tw(left), tw(top), tw(width), tw(height)};
}

QFont arial(qreal points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Every text role made readable on the background it is drawn on. Disabled text is
// meant to recede and is left as the desktop has it.
QPalette readable(QPalette palette)
{
    static constexpr std::pair<QPalette::ColorRole, QPalette::ColorRole> Pairs[] = {
        {QPalette::Window, QPalette::WindowText},
        {QPalette::Button, QPalette::ButtonText},
        {QPalette::Base, QPalette::Text},
        {QPalette::Highlight, QPalette::HighlightedText},
    };
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        for (const auto &[background, text] : Pairs)
            palette.setColor(group, text,
                             Contrast::readableOn(palette.color(group, background), palette.color(group, text)));
    }
    return palette;
}

// A native style (Qt's Windows style, for one) may draw a header's face from the
// system's theme whatever the palette says, a light face under a dark scheme's white
// text: the caption is made readable on the face the style really draws.
QPalette readableHeader(const QHeaderView *header, QPalette palette)
{
    QStyleOptionHeader option;
    option.initFrom(header);
    option.palette = palette;
    option.rect = QRect(0, 0, 32, header->fontMetrics().height() + 8);
    option.state |= QStyle::State_Raised | QStyle::State_Horizontal;
    QImage face(option.rect.size(), QImage::Format_ARGB32_Premultiplied);
    face.fill(palette.color(QPalette::Button));
    QPainter painter(&face);
    header->style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, header);
    painter.end();
    const QColor drawn = face.pixelColor(option.rect.center());
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::ButtonText,
                         Contrast::readableOn(drawn, palette.color(group, QPalette::ButtonText)));
    return palette;
}

// A platform theme (qt6ct, for one) may hand its palette over with no role marked as
// set. A palette built on it would then set only the roles changed here and inherit
// the rest from the parent: the list would take the window's white base under a dark
// scheme's white text. Every role is marked, so each palette stands on its own.
QPalette everyRoleSet(QPalette palette)
{
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = QPalette::ColorGroup(group);
            const auto r = QPalette::ColorRole(role);
            palette.setBrush(g, r, palette.brush(g, r));
        }
    }
    return palette;
}

// The design's white window: the background of the window, its frames, labels,
// check boxes, push buttons and progress bar is white whatever the desktop's scheme.
QPalette whiteLook(QPalette palette)
{
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
            palette.setColor(group, role, Qt::white);
    }
    return readable(palette);
}

const char *const HoverProperty = "ramtidyHoverPointer";

// A move over a control is that control's alone: the frame or window beneath must
// not take it for a move over its own background.
void keepPointer(QWidget *widget)
{
    widget->setAttribute(Qt::WA_NoMousePropagation);
}

void setHoverPointer(QWidget *widget, Form1::MousePointer shape, QObject *filter)
{
    widget->setMouseTracking(true);
    widget->setProperty(HoverProperty, int(shape));
    widget->installEventFilter(filter);
}

QFont labelFont()
{
    return arial(9, true);
}

// Frames, check boxes and buttons give their caption as their accessible name
// and announce its changes; a fixed accessible name would go stale.
// A control of the fixed layout: its caption, name, font and place.
template <typename Control>
Control *placed(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    auto *control = new Control(caption, parent);
    control->setObjectName(QLatin1String(name));
    control->setFont(labelFont());
    control->setGeometry(geometry);
    return control;
}

QGroupBox *frame(QWidget *parent, const char *name, const QString &caption, const QRect &geometry, QObject *filter)
{
    auto *box = placed<QGroupBox>(parent, name, caption, geometry);
    box->setStyle(FrameStyle::instance());
    setHoverPointer(box, Form1::vbDefault, filter);
    return box;
}

QLabel *label(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    auto *lbl = placed<QLabel>(parent, name, caption, geometry);
    lbl->adjustSize();
    // The figures change every few hundred milliseconds: a label that paints
    // its own background is repainted alone, without the frame behind it.
    lbl->setAutoFillBackground(true);
    keepPointer(lbl);
    return lbl;
}

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    auto *box = placed<QCheckBox>(parent, name, caption, geometry);
    box->setStyle(FrameStyle::instance());
    keepPointer(box);
    return box;
}

// The window's size: the fixed layout's, or on a screen too small for it what the
// screen has room for, with the scroll bars the layout then needs.
QSize fitted(const QSize &layout, const QScreen *screen, const QStyle *style)
{
    if (!screen)
        return layout;
    // The window manager's title bar and frame are not known before the window is
    // shown; the style's title bar stands for its borders, twice for its height.
    const int titleBar = style->pixelMetric(QStyle::PM_TitleBarHeight);
    const QSize room = screen->availableGeometry().size() - QSize(titleBar, 2 * titleBar);
    const int bar = style->pixelMetric(QStyle::PM_ScrollBarExtent);
    bool wide = layout.width() > room.width();
    const bool tall = layout.height() + (wide ? bar : 0) > room.height();
    wide = layout.width() + (tall ? bar : 0) > room.width();
    return {std::min(layout.width() + (tall ? bar : 0), room.width()),
            std::min(layout.height() + (wide ? bar : 0), room.height())};
}

} // namespace

Form1::Form1(Platform platform, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_platform(platform)
{
    setObjectName(QStringLiteral("Form1"));
    setFont(arial(9, false));
    setAutoFillBackground(true);
    createControls();
    setFixedSize(fitted(m_scrollArea->widget()->size(), screen(), style()));
    m_scrollArea->setGeometry(rect());
    setTabOrder();
    applyColours();

    if (const QScreen *screen = this->screen()) {
        // Centred. A window larger than the screen (a high scale factor on a small
        // screen) keeps its top-left corner, and with it the title bar, on screen.
        const QRect available = screen->availableGeometry();
        const QPoint centred = available.center() - rect().center();
        move(std::max(centred.x(), available.left()), std::max(centred.y(), available.top()));
    }

    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setTimerType(Qt::PreciseTimer);

    m_timer2.setObjectName(QStringLiteral("Timer2"));
    m_timer2.setTimerType(Qt::CoarseTimer);
    m_timer2.setInterval(400);
    connect(&m_timer2, &QTimer::timeout, this, &Form1::Timer2_Timer);
    m_timer2.start();

    m_platform.tray.setAvailabilityHandler([this](bool available) { trayAvailabilityChanged(available); });
    // Where the window scrolls, the control that takes the focus comes into view,
    // however the focus got there.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && m_scrollArea->widget()->isAncestorOf(now))
            m_scrollArea->ensureWidgetVisible(now);
    });
}

Form1::~Form1()
{
    m_platform.tray.setAvailabilityHandler({});
}

void Form1::createControls()
{
    // The fixed layout sits in a scroll area that shows itself only on a screen too
    // small for the window (a large scale factor on a small screen).
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setFocusPolicy(Qt::NoFocus);
    auto *content = new QWidget(m_scrollArea->viewport());
    content->setFixedSize(tw(8040), tw(5985));
    setHoverPointer(content, vbDefault, this); // the window's own background
    m_scrollArea->setWidget(content);

    createStatusFrame(content);
    createRamFrame(content);
    createList(content);
    createStartupFrame(content);
    createButtons(content);

    m_cSysTray1 = new cSysTray(m_platform.tray, this);
    m_cSysTray1->setTrayIcon(Picture::icon(ProgramIcon::application()));

    setMouseTracking(true);
    setProperty(HoverProperty, int(vbDefault));
    installEventFilter(this);

    connectHandlers();
}

void Form1::createStatusFrame(QWidget *content)
{
    m_frame2 = frame(content, "Frame2", QStringLiteral("Next free will occur in"), twipRect(120, 120, 7800, 850), this);
    m_progressBar1 = new QProgressBar(m_frame2);
    m_progressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar1->setStyle(FrameStyle::instance());
    m_progressBar1->setFont(labelFont());
    m_progressBar1->setGeometry(twipRect(240, 285, 7320, 405));
    m_progressBar1->setRange(0, 100);
    m_progressBar1->setValue(0);
    m_progressBar1->setTextVisible(true);
    m_progressBar1->setFormat(QStringLiteral("Progress Bar"));
    m_progressBar1->setAlignment(Qt::AlignCenter);
    // Its text is a fixed caption; a screen reader names it by what it measures
    // and reads its value.
    m_progressBar1->setAccessibleName(QStringLiteral("Progress to the next free"));
    keepPointer(m_progressBar1);
}

void Form1::createRamFrame(QWidget *content)
{
    m_frame1 = frame(content, "Frame1", QStringLiteral("RAM Information"), twipRect(120, 1060, 7800, 700), this);
    m_lblTotalRAM = label(m_frame1, "lblTotalRAM", QStringLiteral("Total Ram:"), twipRect(240, 300, 900, 225));
    m_lblFreeRAM = label(m_frame1, "lblFreeRAM", QStringLiteral("Free Ram:"), twipRect(2655, 300, 855, 225));
    m_lblUsedRAM = label(m_frame1, "lblUsedRAM", QStringLiteral("Used Ram:"), twipRect(5040, 300, 915, 225));
}

void Form1::createList(QWidget *content)
{
    m_listView1 = new QTreeWidget(content);
    m_listView1->setObjectName(QStringLiteral("ListView1"));
    m_listView1->setFont(arial(9, false));
    m_listView1->setGeometry(twipRect(120, 1900, 7800, 1635));
    m_listView1->setColumnCount(1);
    m_listView1->setHeaderLabels({QString()});
    m_listView1->setRootIsDecorated(false);
    m_listView1->setUniformRowHeights(true);
    m_listView1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listView1->header()->setSectionsMovable(false);
    m_listView1->header()->setStretchLastSection(false);
    // Under a skin the header inherits no font, and would take a theme's new one.
    m_listView1->header()->setFont(m_listView1->font());
    setHoverPointer(m_listView1, vbDefault, this);
    setHoverPointer(m_listView1->viewport(), vbDefault, this);
    setHoverPointer(m_listView1->header(), vbDefault, this);
    // The list shows no keyboard focus of its own: the style's mark on the current
    // row is lost in the selection's colour. The style's focus frame goes around it
    // while it has the focus (the window filters the list's focus events).
    m_listFocusFrame = new QFocusFrame(content);
    m_listFocusFrame->hide();
}

void Form1::createStartupFrame(QWidget *content)
{
    m_frame3 = frame(content, "Frame3", QStringLiteral("Startup Option"), twipRect(120, 3600, 7800, 700), this);
    m_check4 = checkBox(m_frame3, "Check4", QStringLiteral("Load this software on Windows startup"),
                        twipRect(240, 300, 3690, 255));
    m_check8 = checkBox(m_frame3, "Check8", QStringLiteral("Minimized to system tray"), twipRect(4305, 300, 2580, 255));
    m_check8->hide();
}

void Form1::createButtons(QWidget *content)
{
    // Two columns, three rows, in twips.
    const struct {
        QPushButton *Form1::*member;
        const char *name;
        QString caption;
        int left;
        int top;
    } buttons[] = {
        {&Form1::m_pushButton5, "PushButton5", Globals::TurnOnAutoFree, 120, 4440},
        {&Form1::m_pushButton6, "PushButton6", QStringLiteral("Free Memory Now (Test)"), 4080, 4440},
        {&Form1::m_pushButton1, "PushButton1", QStringLiteral("View History Log"), 120, 4950},
        {&Form1::m_pushButton2, "PushButton2", QStringLiteral("Copy History To Clipboard"), 4080, 4950},
        {&Form1::m_pushButton11, "PushButton11", QStringLiteral("Help"), 120, 5460},
        {&Form1::m_pushButton12, "PushButton12", QStringLiteral("Clear History Log"), 4080, 5460},
    };
    for (const auto &spec : buttons) {
        auto *push = new QPushButton(spec.caption, content);
        push->setObjectName(QLatin1String(spec.name));
        push->setFont(arial(11.25, true));
        push->setGeometry(twipRect(spec.left, spec.top, 3840, 405));
        // Return and keypad Enter press the focused button, as Space does and as on
        // other desktops; outside a dialog only an auto-default button takes them.
        push->setAutoDefault(true);
        keepPointer(push);
        setHoverPointer(push, vbCustom, this);
        this->*spec.member = push;
    }
}

void Form1::connectHandlers()
{
    connect(m_pushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(m_pushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
    connect(m_pushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(m_pushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(m_pushButton11, &QPushButton::clicked, this, &Form1::PushButton11_Click);
    connect(m_pushButton12, &QPushButton::clicked, this, &Form1::PushButton12_Click);
    connect(&m_timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(m_cSysTray1, &cSysTray::MouseUp, this, &Form1::cSysTray1_MouseUp);
    connect(m_check8, &QCheckBox::toggled, this, &Form1::Check8_Click);
    connect(m_check4, &QCheckBox::toggled, this, &Form1::Check4_Click);

    // A choice in the list counts as a click whether made with the mouse or the
    // keyboard; a click on the row already chosen counts too.
    connect(m_listView1, &QTreeWidget::itemSelectionChanged, this, [this] {
        m_listPressPending = false;
        ListView1_Click();
    });
    connect(m_listView1, &QTreeWidget::itemClicked, this, [this] {
        if (std::exchange(m_listPressPending, false))
            ListView1_Click();
    });
}

void Form1::setTabOrder()
{
    // The design's tab indexes, restricted to the controls that take the focus.
    const QList<QWidget *> order = {m_listView1, m_pushButton5, m_pushButton6,  m_pushButton1, m_pushButton2,
                                    m_check8,    m_check4,      m_pushButton11, m_pushButton12};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    m_progressBar1->setFocusPolicy(Qt::NoFocus);
}

// Colours are set role by role, not by a style sheet: that is the skin's. Recomputed
// when the desktop's scheme changes.
void Form1::applyColours()
{
    // A theme (qt6ct, for one) may give every control the new scheme as a palette of
    // its own, which hides the window's colours: the control inherits them again.
    const QPalette scheme = QApplication::palette();
    for (QWidget *control : findChildren<QWidget *>()) {
        if (control->testAttribute(Qt::WA_SetPalette) && control->palette() == scheme)
            control->setPalette(QPalette());
    }
    const QPalette desktop = everyRoleSet(scheme);
    setPalette(whiteLook(desktop));
    // The list keeps the desktop's window colours.
    const QPalette list = readable(desktop);
    m_listView1->setPalette(list);
    m_listView1->header()->setPalette(readableHeader(m_listView1->header(), list));
    if (m_skinBackground) {
        // The skin's own colours go over ours again, then its background.
        setStyleSheet(styleSheet());
        showSkinBackground();
    }
}

void Form1::Timer2_Timer()
{
    // A label is laid out again only when its figure changed.
    const auto show = [](QLabel *label, const QString &text) {
        if (label->text() == text)
            return;
        label->setText(text);
        label->adjustSize();
    };
    show(m_lblTotalRAM, QStringLiteral("Total RAM: ") + mMemory::TotalRAM(m_platform.memory));
    show(m_lblFreeRAM, QStringLiteral("Free RAM: ") + mMemory::FreeRAM(m_platform.memory));
    show(m_lblUsedRAM, QStringLiteral("Used RAM: ") + mMemory::UsedRAM(m_platform.memory));
}

void Form1::setStatusCaption(const QString &caption)
{
    // The countdown changes the caption every second: then only the caption's strip,
    // the frame's top edge included, is painted again, not the frame and the bar inside
    // it. Only an empty title moves the frame's edge, so that goes the ordinary way.
    if (!m_frame2->isVisible() || caption.isEmpty() || m_frame2->title().isEmpty()) {
        m_frame2->setTitle(caption);
        return;
    }
    m_frame2->setAttribute(Qt::WA_UpdatesDisabled, true);
    m_frame2->setTitle(caption);
    m_frame2->setAttribute(Qt::WA_UpdatesDisabled, false);
    m_frame2->update(0, 0, m_frame2->width(), m_progressBar1->y());
}

void Form1::PushButton11_Click()
{
    ErrorTrap trap(ErrorTrap::location(u"Form1.PushButton11_Click"), m_platform.msgBox);
    trap.step(100, [&] {
        m_platform.msgBox.MsgBox(QStringLiteral("Questions? Please contact Team Corvane at ") + Globals::ContactPageUrl,
                                 vbOKOnly, Globals::AppTitle);
    });
}

void Form1::setMousePointer(MousePointer pointer)
{
    m_mousePointer = pointer;
    switch (pointer) {
    case vbHourglass:
        setCursor(Qt::WaitCursor);
        break;
    case vbCustom:
        setCursor(m_mouseIcon);
        break;
    case vbDefault:
        unsetCursor();
        break;
    }
}

void Form1::setMouseIcon(const QCursor &cursor)
{
    m_mouseIcon = cursor;
    if (m_mousePointer == vbCustom)
        setCursor(m_mouseIcon);
}

void Form1::hoverOver(MousePointer shape)
{
    // The hourglass belongs to a running free; hovering never replaces it.
    if (m_mousePointer != vbHourglass && m_mousePointer != shape)
        setMousePointer(shape);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ApplicationPaletteChange && watched == this)
        applyColours();
    // Under a style sheet a widget no longer inherits its parent's palette: the
    // layout's own widget is handed the window's, and passes it on.
    if (event->type() == QEvent::PaletteChange && watched == this)
        m_scrollArea->widget()->setPalette(palette());
    if ((event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) && watched == m_listView1)
        m_listFocusFrame->setWidget(event->type() == QEvent::FocusIn ? m_listView1 : nullptr);
    if (event->type() == QEvent::MouseButtonPress && watched == m_listView1->viewport())
        m_listPressPending = true;
    if (event->type() == QEvent::MouseMove) {
        const QVariant shape = watched->property(HoverProperty);
        if (shape.isValid())
            hoverOver(static_cast<MousePointer>(shape.toInt()));
    }
    return QWidget::eventFilter(watched, event);
}
