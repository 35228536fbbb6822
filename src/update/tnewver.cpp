#include "tnewver.h"

#include "desktop/designfont.h"
#include "desktop/desktop.h"
#include "desktop/windowdrag.h"
#include "identity/identity.h"
#include "service/makersite.h"
#include "update/checkresults.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include <cmath>

qint64 CloseCountdown = 11;
TNewVer *NewVer = nullptr;

namespace {

constexpr int DesignWidth = 320;
constexpr int DesignHeight = 68;
constexpr int ScreenMargin = 5; // device pixels, not scaled
constexpr int AnimationMs = 100;

// The logical coordinate that lands closest to the given device coordinate (Qt rounds when it
// maps a logical window position to the device). At some scalings no logical coordinate lands
// on it exactly; then the one on the side given by preferHigher wins the tie.
int nearestLogical(int device, qreal ratio, bool preferHigher)
{
    const int low = static_cast<int>(std::floor(device / ratio));
    const int high = low + 1;
    const int lowMiss = std::abs(qRound(low * ratio) - device);
    const int highMiss = std::abs(qRound(high * ratio) - device);
    if (lowMiss == highMiss)
        return preferHigher ? high : low;
    return highMiss < lowMiss ? high : low;
}

QRect centrePoint(const QRect &full)
{
    return QRect(full.center(), QSize(1, 1));
}

} // namespace

QPoint noticePosition(const QRect &screenGeometry, qreal devicePixelRatio, int windowWidth)
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const int screenDeviceWidth = qRound(screenGeometry.width() * ratio);
    const int windowDeviceWidth = qRound(windowWidth * ratio);
    // Where the margin cannot be met exactly, it is made a pixel wider rather than narrower.
    const int left = nearestLogical(screenDeviceWidth - windowDeviceWidth - ScreenMargin, ratio, false);
    const int top = nearestLogical(ScreenMargin, ratio, true);
    return screenGeometry.topLeft() + QPoint(left, top);
}

QUrl noticeLinkAddress(const QString &downloadUrl)
{
    const QUrl url(downloadUrl, QUrl::StrictMode);
    const QString scheme = url.scheme();
    const bool web = scheme.compare(QLatin1String("http"), Qt::CaseInsensitive) == 0 ||
                     scheme.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    if (url.isValid() && web && !url.host().isEmpty())
        return url;
    return QUrl(BareHomePageAddress());
}

TNewVer::TNewVer(QWidget *focusWindow)
    : QWidget(focusWindow, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_focusWindow(focusWindow)
{
    // The notice must not take the keyboard away from whatever the user is typing into.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(designFont(11));
    setCursor(Qt::ArrowCursor);
    resize(DesignWidth, DesignHeight);
    buildControls();

    Drag = new WindowDrag(this);
    Drag->bind(this);
    Drag->bind(Panel1);
    Drag->bind(Image1);
    Drag->bind(Label1);
    Drag->bind(Panel3);

    TimerStart = new QTimer(this);
    TimerStart->setInterval(1);
    connect(TimerStart, &QTimer::timeout, this, &TNewVer::TimerStartTimer);
    TimerClose = new QTimer(this);
    TimerClose->setInterval(1000);
    connect(TimerClose, &QTimer::timeout, this, &TNewVer::TimerCloseTimer);
    TimerLink = new QTimer(this);
    TimerLink->setInterval(100);
    connect(TimerLink, &QTimer::timeout, this, &TNewVer::TimerLinkTimer);

    FormCreate();

    TimerStart->start();
    TimerClose->start();
    TimerLink->start();
}

TNewVer::~TNewVer()
{
    if (NewVer == this)
        NewVer = nullptr;
}

void TNewVer::buildControls()
{
    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Panel1->setAutoFillBackground(true);

    Image1 = new QLabel(Panel1);
    Image1->setAlignment(Qt::AlignCenter);

    Panel2 = new QWidget(Panel1);
    // The blank part of the text area and the link start no drag.
    Panel2->setAttribute(Qt::WA_NoMousePropagation);

    Label1 = new QLabel(Panel2);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont title = designFont(13);
    title.setBold(true);
    Label1->setFont(title);

    Label2 = new QLabel(Panel2);
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setWordWrap(true);
    Label2->setTextFormat(Qt::PlainText);
    QFont link = designFont(13);
    link.setUnderline(true);
    Label2->setFont(link);
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->setAttribute(Qt::WA_NoMousePropagation);
    Label2->installEventFilter(this);

    Panel3 = new QWidget(Panel1);

    Button1 = new QToolButton(Panel3);
    Button1->setIcon(QIcon(QStringLiteral(":/icons/close.svg")));
    Button1->setIconSize(QSize(16, 16));
    Button1->setAutoRaise(true);
    Button1->setCursor(Qt::PointingHandCursor);
    Button1->setFocusPolicy(Qt::NoFocus);
    // The button ignores other buttons than the left one; they must not start a drag either.
    Button1->setAttribute(Qt::WA_NoMousePropagation);
    connect(Button1, &QToolButton::clicked, this, &TNewVer::Button1Click);

    layoutControls();
}

// The design's alignments (fill, left and right with margins, top) for any window size; the
// window passes through every size while it expands or collapses.
void TNewVer::layoutControls()
{
    const int w = width();
    const int h = height();
    Panel1->setGeometry(0, 0, w, h);
    Image1->setGeometry(4, 4, 60, qMax(0, h - 8));
    Panel3->setGeometry(qMax(0, w - 23), 1, 22, qMax(0, h - 2));
    Button1->setGeometry(0, 0, 22, 22);
    const int textWidth = qMax(0, w - 90);
    Panel2->setGeometry(67, 1, textWidth, qMax(0, h - 2));
    Label1->setGeometry(3, 3, qMax(0, textWidth - 6), 16);
    Label2->setGeometry(0, 22, textWidth, qMax(0, Panel2->height() - 22));
}

void TNewVer::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

void TNewVer::FormCreate()
{
    const qreal ratio = devicePixelRatioF();
    Image1->setPixmap(QApplication::windowIcon().pixmap(QSize(48, 48), ratio));

    // Always the primary screen and its full area, wherever the main window is.
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen)
        move(noticePosition(screen->geometry(), screen->devicePixelRatio(), width()));

    Label1->setText(QStringLiteral("UPDATE AVAILABLE"));
    Label2->setText(QStringLiteral("Click to download ") + AppProductName + u' ' + LatestVersion);
}

QPropertyAnimation *TNewVer::runningAnimation() const
{
    return m_animation;
}

void TNewVer::animateGeometry(const QRect &from, const QRect &to, bool closeAtEnd)
{
    if (m_animation)
        m_animation->stop();
    auto *animation = new QPropertyAnimation(this, "geometry", this);
    animation->setDuration(AnimationMs);
    animation->setStartValue(from);
    animation->setEndValue(to);
    if (closeAtEnd)
        connect(animation, &QPropertyAnimation::finished, this, &QWidget::close);
    m_animation = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void TNewVer::TimerStartTimer()
{
    TimerStart->stop();
    const QRect full = geometry();
    setGeometry(centrePoint(full));
    show();
    animateGeometry(centrePoint(full), full, false);

    // Hand the keyboard back, unless another program has it or a modal window holds ours.
    if (m_focusWindow && m_focusWindow->isVisible() && QApplication::activeWindow() &&
        !QApplication::activeModalWidget())
        m_focusWindow->activateWindow();
}

void TNewVer::TimerCloseTimer()
{
    --CloseCountdown;
    if (CloseCountdown != 0)
        return;
    TimerClose->stop();
    // Closed early by the user: nothing left to animate.
    if (!isVisible()) {
        close();
        return;
    }
    const QRect full = geometry();
    animateGeometry(full, centrePoint(full), true);
}

void TNewVer::TimerLinkTimer()
{
    const QPoint pointer = pointerPosition ? pointerPosition() : QCursor::pos();
    const bool over = Label2->rect().contains(Label2->mapFromGlobal(pointer));
    const QColor colour =
        palette().color(QPalette::Active, over ? QPalette::Highlight : QPalette::WindowText);
    if (Label2->palette().color(QPalette::Active, QPalette::WindowText) == colour &&
        Label2->palette().color(QPalette::Inactive, QPalette::WindowText) == colour)
        return;
    QPalette linkPalette = Label2->palette();
    linkPalette.setColor(QPalette::WindowText, colour);
    Label2->setPalette(linkPalette);
}

void TNewVer::Label2Click()
{
    try {
        desktop().openUrl(noticeLinkAddress(DownloadURL));
    } catch (...) {
        // Opening a web page never reports anything; the notice closes all the same.
    }
    close();
}

void TNewVer::Button1Click()
{
    close();
}

bool TNewVer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != Label2)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        m_linkPressed = static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
        return true;
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const bool click = m_linkPressed && mouse->button() == Qt::LeftButton &&
                           Label2->rect().contains(mouse->position().toPoint());
        m_linkPressed = false;
        if (click)
            Label2Click();
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void TNewVer::closeEvent(QCloseEvent *event)
{
    // Closing only hides the notice; it stays allocated until the program ends.
    if (m_animation)
        m_animation->stop();
    TimerLink->stop();
    QWidget::closeEvent(event);
}
