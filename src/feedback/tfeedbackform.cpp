#include "tfeedbackform.h"

#include "desktop/designfont.h"
#include "desktop/desktop.h"
#include "desktop/errorbox.h"
#include "identity/identity.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>

namespace {

constexpr int ClientWidth = 525;
constexpr int ClientHeight = 326;

QFrame *plainPanel(QWidget *parent, QRect geometry)
{
    auto *panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::NoFrame);
    panel->setGeometry(geometry);
    return panel;
}

QLabel *moodPanel(QWidget *parent, QRect geometry, const QString &face)
{
    auto *panel = new QLabel(parent);
    panel->setGeometry(geometry);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setAlignment(Qt::AlignCenter);
    panel->setFont(designFont(16));
    panel->setCursor(Qt::PointingHandCursor);
    panel->setAutoFillBackground(true);
    auto *image = new QLabel(panel);
    image->setGeometry(4, 4, 32, 32);
    image->setScaledContents(true);
    image->setPixmap(QIcon(face).pixmap(QSize(32, 32), panel->devicePixelRatioF()));
    // A click on the face is a click on its panel.
    image->setAttribute(Qt::WA_TransparentForMouseEvents);
    image->setCursor(Qt::PointingHandCursor);
    return panel;
}

QLabel *label(QWidget *parent, QRect geometry, const QFont &font)
{
    auto *label = new QLabel(parent);
    label->setGeometry(geometry);
    label->setFont(font);
    return label;
}

bool isInputEvent(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

} // namespace

TFeedbackForm::TFeedbackForm(QWidget *parent, PostFunction post)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_post(std::move(post))
{
    setObjectName(QStringLiteral("FeedbackForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildLayout();
    connectHandlers();
    FormCreate();
}

TFeedbackForm::~TFeedbackForm()
{
    qApp->removeEventFilter(this);
}

void TFeedbackForm::buildLayout()
{
    setWindowTitle(QStringLiteral("Feedback"));
    setFixedSize(ClientWidth, ClientHeight);
    setFont(designFont(11));
    QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - rect().center());

    Panel3 = plainPanel(this, QRect(0, 0, 525, 46));
    Panel4 = moodPanel(Panel3, QRect(3, 3, 257, 40), QStringLiteral(":/icons/face-like.svg"));
    Image1 = Panel4->findChild<QLabel *>();
    Panel5 = moodPanel(Panel3, QRect(266, 3, 256, 40), QStringLiteral(":/icons/face-dislike.svg"));
    Image2 = Panel5->findChild<QLabel *>();

    Label1 = label(this, QRect(3, 49, 519, 19), designFont(16));
    Label2 = label(this, QRect(3, 74, 519, 16), designFont(13, true));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(3, 96, 519, 157);
    Memo1->setFont(designFont(13));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setTabChangesFocus(true);

    Panel1 = plainPanel(this, QRect(0, 256, 525, 30));
    Label3 = label(Panel1, QRect(3, 3, 107, 24), designFont(13));
    Label3->setAlignment(Qt::AlignCenter);
    Edit1 = new QLineEdit(Panel1);
    Edit1->setGeometry(116, 3, 406, 24);
    Edit1->setFont(designFont(13));
    Edit1->setMaxLength(EditMaxLength);

    Panel2 = plainPanel(this, QRect(0, 286, 525, 40));
    BitBtn1 = new QPushButton(Panel2);
    BitBtn1->setGeometry(342, 3, 180, 34);
    BitBtn1->setFont(designFont(13, true));
    BitBtn1->setIcon(QIcon(QStringLiteral(":/icons/feedback-envelope.svg")));
    BitBtn1->setIconSize(QSize(16, 16));
    BitBtn1->setDefault(true);

    for (QWidget *panel :
         {static_cast<QWidget *>(Panel3), static_cast<QWidget *>(Panel4), static_cast<QWidget *>(Panel5),
          static_cast<QWidget *>(Panel1), static_cast<QWidget *>(Panel2)})
        panel->setFocusPolicy(Qt::NoFocus);
    setTabOrder(Memo1, Edit1);
    setTabOrder(Edit1, BitBtn1);
    Memo1->setFocus();
    chooseMood(Mood::None);
}

void TFeedbackForm::connectHandlers()
{
    connect(BitBtn1, &QPushButton::clicked, this, [this] { runCommand(this, [this] { BitBtn1Click(); }); });
    connect(Memo1->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { limitMemo(position, added); });
    for (QObject *watched :
         {static_cast<QObject *>(Panel4), static_cast<QObject *>(Panel5), static_cast<QObject *>(Memo1),
          static_cast<QObject *>(Edit1), static_cast<QObject *>(BitBtn1)})
        watched->installEventFilter(this);
}

void TFeedbackForm::FormCreate()
{
    setWindowTitle(AppProductName + QStringLiteral(" feedback"));
    Label1->setText(QStringLiteral("We would really appreciate your feedback."));
    Label2->setText(QStringLiteral("What did you like or dislike?"));
    Label3->setText(QStringLiteral("Include my e-mail:"));
    BitBtn1->setText(QStringLiteral("Send"));
    Panel4->setText(QStringLiteral("I like it!"));
    Panel5->setText(QStringLiteral("I dislike it!"));
}

QString TFeedbackForm::memoText() const
{
    QString text = Memo1->toPlainText();
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

void TFeedbackForm::chooseMood(Mood mood)
{
    m_mood = mood;
    const QPalette &form = palette();
    for (QLabel *panel : {Panel4, Panel5}) {
        const bool chosen =
            (panel == Panel4 && mood == Mood::Like) || (panel == Panel5 && mood == Mood::Dislike);
        QPalette colours = panel->palette();
        colours.setColor(QPalette::Window, form.color(chosen ? QPalette::Highlight : QPalette::Window));
        colours.setColor(QPalette::WindowText,
                         form.color(chosen ? QPalette::HighlightedText : QPalette::WindowText));
        panel->setPalette(colours);
        panel->setFrameShadow(chosen ? QFrame::Sunken : QFrame::Raised);
    }
}

void TFeedbackForm::Image1Click()
{
    chooseMood(Mood::Like);
}

void TFeedbackForm::Image2Click()
{
    chooseMood(Mood::Dislike);
}

void TFeedbackForm::limitMemo(int position, int added)
{
    if (m_limitingMemo || added <= 0)
        return;
    // Counted as sent: a line break is a carriage return and a line feed.
    const qsizetype excess = memoText().size() - MemoMaxLength;
    if (excess <= 0)
        return;
    const QScopedValueRollback limiting(m_limitingMemo, true);
    // A change reported at the end may count the document's closing paragraph separator too.
    const int end = qMin(position + added, Memo1->document()->characterCount() - 1);
    const int start = int(qMax<qsizetype>(position, end - excess));
    QTextCursor cursor(Memo1->document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void TFeedbackForm::BitBtn1Click()
{
    if (m_sending)
        return;
    const QString feedbackText = FeedbackText(m_mood, memoText());
    if (feedbackText.isEmpty()) {
        desktop().beep();
        return;
    }
    const QString email = TrimBlanks(Edit1->text());
    if (!email.isEmpty() && !IsValidEmail(email)) {
        desktop().message(this, QStringLiteral("Invalid e-mail address!"), QStringLiteral("Failure"),
                          QMessageBox::Critical);
        return;
    }
    const FormFields fields = FeedbackFields(AppCaption, AppVersion, feedbackText, email);

    // The post waits in a local event loop: the window keeps repainting but takes no input,
    // so a second Send cannot start a second request and the window cannot close under it.
    bool delivered = false;
    {
        const QScopedValueRollback sending(m_sending, true);
        qApp->installEventFilter(this);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        delivered = DeliverFeedback(fields, m_post);
        QApplication::restoreOverrideCursor();
        qApp->removeEventFilter(this);
    }

    if (delivered) {
        desktop().message(this, QStringLiteral("Your feedback is received.\r\rThank you!"),
                          QStringLiteral("Success"), QMessageBox::Information);
        close();
    } else {
        desktop().message(this,
                          QStringLiteral("Something went wrong. Your feedback could not be delivered.\r\r"
                                         "Please try again later."),
                          QStringLiteral("Failure"), QMessageBox::Critical);
    }
}

bool TFeedbackForm::Memo1KeyDown(int key)
{
    if (key != Qt::Key_Escape)
        return false;
    close();
    return true;
}

bool TFeedbackForm::Edit1KeyDown(int key)
{
    return Memo1KeyDown(key);
}

bool TFeedbackForm::BitBtn1KeyDown(int key)
{
    return Memo1KeyDown(key);
}

bool TFeedbackForm::isOwnInput(QObject *watched, QEvent *event) const
{
    if (!isInputEvent(event->type()))
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    return widget && (widget == this || isAncestorOf(widget));
}

bool TFeedbackForm::eventFilter(QObject *watched, QEvent *event)
{
    if (m_sending)
        return isOwnInput(watched, event);

    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watched == Memo1)
            return Memo1KeyDown(key);
        if (watched == Edit1)
            return Edit1KeyDown(key);
        if (watched == BitBtn1)
            return BitBtn1KeyDown(key);
    }
    if ((watched == Panel4 || watched == Panel5) && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        auto *panel = static_cast<QWidget *>(watched);
        if (mouse->button() == Qt::LeftButton && panel->rect().contains(mouse->position().toPoint())) {
            if (watched == Panel4)
                Image1Click();
            else
                Image2Click();
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFeedbackForm::closeEvent(QCloseEvent *event)
{
    if (m_sending) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
