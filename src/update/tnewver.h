#pragma once

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

class QFrame;
class QLabel;
class QPropertyAnimation;
class QTimer;
class QToolButton;
class WindowDrag;

// Ticks of TimerClose left before the notice closes itself. Not reset when a notice is created:
// there is at most one notice per run of the program.
extern qint64 CloseCountdown;

// Where the notice's top-left corner goes, in logical coordinates, so that on the device its top
// is 5 pixels below the screen's top edge and its right edge 5 pixels left of the screen's right
// edge: the window scales with the screen, the two margins do not. screenGeometry is logical.
// Where the scaling makes 5 unreachable (odd device coordinates at 150 % or 200 %), the margin
// is 6.
QPoint noticePosition(const QRect &screenGeometry, qreal devicePixelRatio, int windowWidth);

// The address the link opens: the announced download address when it is a web address,
// otherwise the maker's home page. An announced address must never start a program or open a
// local file.
QUrl noticeLinkAddress(const QString &downloadUrl);

// The small always-on-top strip in the top-right corner of the primary screen that announces a
// new version. It shows itself on the first tick of TimerStart, closes itself after 11 ticks
// of TimerClose and is only hidden when closed.
class TNewVer final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TNewVer)

public:
    // focusWindow: the window that gets the keyboard focus back once the notice is up; it also
    // owns the notice.
    explicit TNewVer(QWidget *focusWindow);
    ~TNewVer() override;

    QFrame *Panel1 = nullptr;
    QLabel *Image1 = nullptr;
    QWidget *Panel2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QWidget *Panel3 = nullptr;
    QToolButton *Button1 = nullptr;
    QTimer *TimerStart = nullptr;
    QTimer *TimerClose = nullptr;
    QTimer *TimerLink = nullptr;
    WindowDrag *Drag = nullptr;

    void FormCreate();
    void TimerStartTimer();
    void TimerCloseTimer();
    void TimerLinkTimer();
    void Label2Click();
    void Button1Click();

    // The expand or collapse animation while it runs, otherwise nullptr.
    QPropertyAnimation *runningAnimation() const;

    // Where TimerLinkTimer reads the pointer from (QCursor::pos() unless replaced).
    std::function<QPoint()> pointerPosition;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void layoutControls();
    void animateGeometry(const QRect &from, const QRect &to, bool hideAtEnd);

    QPointer<QWidget> m_focusWindow;
    QPointer<QPropertyAnimation> m_animation;
    bool m_linkPressed = false;
};

// The one notice of this run; nullptr until the update check announces a new version.
extern TNewVer *NewVer;
