#pragma once

#include "dropdownguard.h"
#include "matrixrain.h"
#include "rainimage.h"

#include <QDialog>
#include <QString>

class QAbstractButton;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class WindowDrag;

// Drops the menu down with its top-left corner at the button's bottom-left corner and returns
// when the menu has closed. The click that closes the menu must not open it again.
void DropDownMenu(QAbstractButton *button, QMenu *menu);
// The guard DropDownMenu keeps; tests give it a tick source of their own.
DropDownGuard &dropDownMenuGuard();

// The About window: icon, name and version, the maker's banner, "OK" and "Info", a link to the
// home page, and green characters raining down the black border all the time it is open. A new
// window is made for every opening and frees itself when it closes.
class TAboutBox final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TAboutBox)

public:
    // programFolder: where "license.txt" is looked for.
    explicit TAboutBox(const QString &programFolder, QWidget *parent = nullptr,
                       RainRandom random = defaultRainRandom);
    ~TAboutBox() override;

    QFrame *Panel1 = nullptr;
    QLabel *Image2 = nullptr;
    QFrame *Bevel1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QLabel *Label5 = nullptr;
    QTimer *tmTimer = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *Credits1 = nullptr;
    QAction *Howtouninstall1 = nullptr;
    QAction *LicensePrivacyPolicy1 = nullptr;

    const MatrixRain &rain() const { return m_rain; }
    const RainImage &rainImage() const { return m_rainImage; }

    void FormCreate();
    void HighDPIImageYukle();
    void StartRain();
    void ResetRain();
    void tmTimerTimer();
    void BitBtn1Click();
    void BitBtn2Click();
    void Label5Click();
    void Credits1Click();
    void Howtouninstall1Click();
    void LicensePrivacyPolicy1Click();
    // Both close the window on Escape and leave every other key to the button.
    bool BitBtn1KeyDown(int key);
    bool BitBtn2KeyDown(int key);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildLayout();
    void connectHandlers();
    void repaintRain(const QRegion &deviceArea);

    QString m_programFolder;
    RainImage m_rainImage;
    MatrixRain m_rain;
    WindowDrag *m_drag = nullptr;
};
