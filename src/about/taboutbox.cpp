#include "taboutbox.h"

#include "desktop/designfont.h"
#include "desktop/desktop.h"
#include "desktop/errorbox.h"
#include "desktop/windowdrag.h"
#include "identity/identity.h"
#include "service/makersite.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int ClientWidth = 446;
constexpr int ClientHeight = 374;
constexpr QSize BannerSize(344, 105);

void paintBlack(QWidget *widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QPushButton *whiteButton(QWidget *parent, QRect geometry)
{
    auto *button = new QPushButton(parent);
    button->setGeometry(geometry);
    button->setFont(designFont(16));
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, Qt::white);
    palette.setColor(QPalette::Button, QColor(0x30, 0x30, 0x30));
    button->setPalette(palette);
    return button;
}

// Runs a handler of the window as one user command (errors go to the error box).
template <typename Sender, typename Signal>
void connectCommand(Sender *sender, Signal signal, TAboutBox *box, void (TAboutBox::*handler)())
{
    QObject::connect(sender, signal, box,
                     [box, handler] { runCommand(box, [box, handler] { (box->*handler)(); }); });
}

} // namespace

DropDownGuard &dropDownMenuGuard()
{
    static DropDownGuard guard;
    return guard;
}

void DropDownMenu(QAbstractButton *button, QMenu *menu)
{
    DropDownGuard &guard = dropDownMenuGuard();
    if (!guard.mayDropDown(button, menu))
        return;
    const QPoint corner = button->mapToGlobal(QPoint(0, button->height()));
    menu->exec(corner);
    guard.menuClosed(button, menu);
}

TAboutBox::TAboutBox(const QString &programFolder, QWidget *parent, RainRandom random)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_programFolder(programFolder), m_rain(m_rainImage, std::move(random))
{
    setObjectName(QStringLiteral("AboutBox"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildLayout();
    connectHandlers();
    FormCreate();
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::buildLayout()
{
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(ClientWidth, ClientHeight);
    setFont(designFont(11));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - rect().center());

    Panel1 = new QFrame(this);
    Panel1->setGeometry(48, 42, 350, 291);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Panel1->setFont(designFont(11));
    paintBlack(Panel1);

    Image2 = new QLabel(Panel1);
    Image2->setGeometry(QRect(QPoint(3, 4), BannerSize));
    Image2->setScaledContents(true);

    Bevel1 = new QFrame(Panel1);
    Bevel1->setGeometry(9, 122, 34, 34);
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setLineWidth(1);

    Image1 = new QLabel(Panel1);
    Image1->setGeometry(10, 123, 32, 32);
    Image1->setAlignment(Qt::AlignCenter);

    Label2 = new QLabel(Panel1);
    Label2->setGeometry(49, 122, 290, 40);
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2->setFont(designFont(16));

    BitBtn1 = whiteButton(Panel1, QRect(49, 224, 122, 33));
    BitBtn2 = whiteButton(Panel1, QRect(177, 224, 122, 33));
    BitBtn2->setIcon(QIcon(QStringLiteral(":/icons/arrow.svg")));
    BitBtn2->setIconSize(QSize(16, 16));
    // The arrow goes right of the caption.
    BitBtn2->setLayoutDirection(Qt::RightToLeft);
    setTabOrder(BitBtn1, BitBtn2);
    BitBtn1->setFocus();

    Label5 = new QLabel(Panel1);
    Label5->setGeometry(4, 274, 342, 13);
    Label5->setAlignment(Qt::AlignCenter);
    Label5->setCursor(Qt::PointingHandCursor);
    Label5->setLayoutDirection(Qt::LeftToRight);
    QFont linkFont;
    linkFont.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    linkFont.setPixelSize(11);
    linkFont.setUnderline(true);
    Label5->setFont(linkFont);
    paintBlack(Label5);
    QPalette linkPalette = Label5->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0x00, 0xFF, 0x00));
    Label5->setPalette(linkPalette);
    Label5->setText(MakerHost());
    Label5->setToolTip(HomePageAddress());

    tmTimer = new QTimer(this);
    tmTimer->setInterval(50);

    PopupMenu1 = new QMenu(this);
    Credits1 = PopupMenu1->addAction(QStringLiteral("Acknowledgements..."));
    Howtouninstall1 = PopupMenu1->addAction(QStringLiteral("How to uninstall..."));
    LicensePrivacyPolicy1 = PopupMenu1->addAction(QStringLiteral("License..."));

    m_drag = new WindowDrag(this);
    for (QWidget *surface :
         {static_cast<QWidget *>(this), static_cast<QWidget *>(Panel1), static_cast<QWidget *>(Image2),
          static_cast<QWidget *>(Image1), static_cast<QWidget *>(Label2)})
        m_drag->bind(surface);
}

void TAboutBox::connectHandlers()
{
    connect(tmTimer, &QTimer::timeout, this, &TAboutBox::tmTimerTimer);
    connectCommand(BitBtn1, &QPushButton::clicked, this, &TAboutBox::BitBtn1Click);
    connectCommand(BitBtn2, &QPushButton::clicked, this, &TAboutBox::BitBtn2Click);
    connectCommand(Credits1, &QAction::triggered, this, &TAboutBox::Credits1Click);
    connectCommand(Howtouninstall1, &QAction::triggered, this, &TAboutBox::Howtouninstall1Click);
    connectCommand(LicensePrivacyPolicy1, &QAction::triggered, this, &TAboutBox::LicensePrivacyPolicy1Click);
    BitBtn1->installEventFilter(this);
    BitBtn2->installEventFilter(this);
    Label5->installEventFilter(this);
}

void TAboutBox::FormCreate()
{
    StartRain();
    setWindowTitle(QStringLiteral("About %1").arg(AppProductName));
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = QIcon(QStringLiteral(":/icons/thermira.svg"));
    Image1->setPixmap(icon.pixmap(QSize(32, 32), devicePixelRatioF()));
    Label2->setText(AppProductName + u' ' + AppVersion);
    BitBtn1->setText(QStringLiteral("OK"));
    BitBtn2->setText(QStringLiteral("Info"));
    Credits1->setText(QStringLiteral("Acknowledgements..."));
    Howtouninstall1->setText(QStringLiteral("How to uninstall..."));
    LicensePrivacyPolicy1->setText(QStringLiteral("License..."));
    HighDPIImageYukle();
}

void TAboutBox::HighDPIImageYukle()
{
    // Rendered from the 688 x 210 source at the size the window's scaling asks for.
    const qreal ratio = devicePixelRatioF();
    QImage banner((QSizeF(BannerSize) * ratio).toSize(), QImage::Format_RGB32);
    banner.fill(Qt::black);
    QSvgRenderer source(QStringLiteral(":/icons/banner.svg"));
    QPainter painter(&banner);
    source.render(&painter);
    painter.end();
    banner.setDevicePixelRatio(ratio);
    Image2->setPixmap(QPixmap::fromImage(banner));
}

void TAboutBox::StartRain()
{
    // The cells are device pixels, not scaled with the screen.
    const qreal ratio = devicePixelRatioF();
    m_rain.StartRain(qRound(width() * ratio), qRound(height() * ratio));
    repaintRain(m_rainImage.takeDirty());
    tmTimer->start();
}

void TAboutBox::ResetRain()
{
    m_rain.ResetRain();
    repaintRain(m_rainImage.takeDirty());
}

void TAboutBox::tmTimerTimer()
{
    m_rain.StepRain();
    repaintRain(m_rainImage.takeDirty());
}

void TAboutBox::repaintRain(const QRegion &deviceArea)
{
    const qreal ratio = devicePixelRatioF();
    QRegion area;
    for (const QRect &rect : deviceArea) {
        const QRectF logical(rect.x() / ratio, rect.y() / ratio, rect.width() / ratio, rect.height() / ratio);
        area += logical.toAlignedRect();
    }
    update(area);
}

void TAboutBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::black);
    const QImage &image = m_rainImage.image();
    if (image.isNull())
        return;
    const qreal ratio = devicePixelRatioF();
    for (const QRect &rect : event->region()) {
        const QRectF source(rect.x() * ratio, rect.y() * ratio, rect.width() * ratio, rect.height() * ratio);
        painter.drawImage(QRectF(rect), image, source);
    }
}

void TAboutBox::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    ResetRain();
}

bool TAboutBox::event(QEvent *event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::ScreenChangeInternal)
        HighDPIImageYukle();
    return handled;
}

bool TAboutBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watched == BitBtn1)
            return BitBtn1KeyDown(key);
        if (watched == BitBtn2)
            return BitBtn2KeyDown(key);
    }
    if (watched == Label5) {
        // The link keeps its presses: they must not climb up to the panel and start a drag.
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
            return true;
        if (event->type() == QEvent::MouseButtonRelease) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton && Label5->rect().contains(mouse->position().toPoint()))
                runCommand(this, [this] { Label5Click(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::BitBtn1Click()
{
    close();
}

bool TAboutBox::BitBtn1KeyDown(int key)
{
    if (key != Qt::Key_Escape)
        return false;
    close();
    return true;
}

bool TAboutBox::BitBtn2KeyDown(int key)
{
    return BitBtn1KeyDown(key);
}

void TAboutBox::BitBtn2Click()
{
    DropDownMenu(BitBtn2, PopupMenu1);
}

void TAboutBox::Label5Click()
{
    desktop().openUrl(QUrl(HomePageAddress()));
}

void TAboutBox::Credits1Click()
{
    desktop().openUrl(QUrl(AcknowledgementsAddress()));
}

void TAboutBox::Howtouninstall1Click()
{
    desktop().openUrl(QUrl(UninstallAddress()));
}

void TAboutBox::LicensePrivacyPolicy1Click()
{
    const QString path = QDir(m_programFolder).filePath(QStringLiteral("license.txt"));
    if (QFileInfo(path).isFile())
        desktop().openUrl(QUrl::fromLocalFile(path));
    else
        desktop().message(this, QStringLiteral("File not found!"), QStringLiteral("License"),
                          QMessageBox::Critical);
}
