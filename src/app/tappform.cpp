#include "tappform.h"

#include "desktop/designfont.h"
#include "desktop/desktop.h"
#include "desktop/errorbox.h"
#include "identity/identity.h"
#include "locations/countrynames.h"
#include "locations/locationlistmodel.h"
#include "platform/localefacts.h"
#include "platform/textlinefile.h"
#include "service/makersite.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Runs a handler of the window as one user command (errors go to the error box).
template <typename Sender, typename Signal>
void connectCommand(Sender *sender, Signal signal, TAppForm *form, void (TAppForm::*handler)())
{
    QObject::connect(sender, signal, form, [form, handler] { runCommand(form, [form, handler] { (form->*handler)(); }); });
}

QLabel *labelAt(QWidget *parent, const QString &text, int left, int top)
{
    auto *label = new QLabel(text, parent);
    label->adjustSize();
    label->move(left, top);
    return label;
}

} // namespace

TAppForm::TAppForm(const QString &programFile, QWidget *parent)
    : QMainWindow(parent), m_programFile(programFile), m_programFolder(QFileInfo(programFile).absolutePath())
{
    setFont(designFont(11));
    m_locations = new LocationListModel(this);
    buildLayout();
    buildMenus();
    connectHandlers();
    setAcceptDrops(true);
    Edit1->installEventFilter(this);
    Edit2->installEventFilter(this);
    resize(684, 441 + menuBar()->sizeHint().height());

    // Started when the window is first shown (showEvent), never earlier: a box that FormCreate
    // shows runs an event loop of its own, and a tick inside it would start the update check
    // before the window is up.
    TimerChecker = new QTimer(this);
    TimerChecker->setInterval(1000);
    connectCommand(TimerChecker, &QTimer::timeout, this, &TAppForm::TimerCheckerTimer);

    // A failing step (no countries.dat) is reported once; the window then opens as usual.
    runCommand(nullptr, [this] { FormCreate(); });
}

TAppForm::~TAppForm() = default;

void TAppForm::buildLayout()
{
    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Bands 1 to 3 keep a 3-pixel margin on every side (none under the list).
    auto *bands = new QVBoxLayout;
    bands->setContentsMargins(3, 3, 3, 0);
    bands->setSpacing(6);
    outer->addLayout(bands, 1);

    GroupBox1 = new QGroupBox(QStringLiteral("Add Location"), central);
    GroupBox1->setFixedHeight(55);
    labelAt(GroupBox1, QStringLiteral("Location:"), 12, 24);
    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->setEditable(false);
    ComboBox1->addItems(countryNames());
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setMaxVisibleItems(24);
    ComboBox1->setGeometry(62, 21, 145, 21);
    labelAt(GroupBox1, QStringLiteral("Latitude:"), 217, 24);
    Edit1 = new QLineEdit(QStringLiteral("0"), GroupBox1);
    Edit1->setGeometry(262, 21, 100, 21);
    labelAt(GroupBox1, QStringLiteral("Longitude:"), 374, 24);
    Edit2 = new QLineEdit(QStringLiteral("0"), GroupBox1);
    Edit2->setGeometry(427, 21, 100, 21);
    Button1 = new QPushButton(QStringLiteral("Add"), GroupBox1);
    Button1->setGeometry(537, 16, 75, 30);
    bands->addWidget(GroupBox1);

    GroupBox2 = new QGroupBox(QStringLiteral("Location List"), central);
    GroupBox2->setFixedHeight(55);
    Button3 = new QPushButton(QIcon(QStringLiteral(":/icons/directory4.svg")),
                              QStringLiteral("Load Location List..."), GroupBox2);
    Button3->setGeometry(5, 18, 146, 30);
    Button4 = new QPushButton(QIcon(QStringLiteral(":/icons/save48.svg")),
                              QStringLiteral("Save Location List..."), GroupBox2);
    Button4->setGeometry(154, 18, 146, 30);
    bands->addWidget(GroupBox2);

    ListView1 = new QTableView(central);
    ListView1->setModel(m_locations);
    ListView1->setShowGrid(true);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSortingEnabled(false);
    ListView1->setWordWrap(false);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    ListView1->verticalHeader()->hide();
    // Fixed row heights keep a list of a million rows as quick as a short one.
    ListView1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListView1->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 4);
    QHeaderView *header = ListView1->horizontalHeader();
    header->setSectionsClickable(false);
    header->setSortIndicatorShown(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->resizeSection(LocationListModel::LatitudeColumn, 100);
    header->resizeSection(LocationListModel::LongitudeColumn, 100);
    header->resizeSection(LocationListModel::CommentColumn, 410);
    bands->addWidget(ListView1, 1);

    Panel1 = new QWidget(central);
    Panel1->setFixedHeight(41);
    Button2 = new QPushButton(QIcon(QStringLiteral(":/icons/picture-go.svg")),
                              QStringLiteral("Create World Heatmap"), Panel1);
    Button2->setFont(designFont(11, true));
    Button2->setGeometry(3, 3, 207, 35);
    outer->addWidget(Panel1);

    setCentralWidget(central);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setFixedHeight(19);
    auto *panel = new QLabel(StatusBar1);
    panel->setFixedWidth(50);
    StatusBar1->addWidget(panel);
    setStatusBar(StatusBar1);

    PopupMenu1 = new QMenu(this);
    Delete1 = PopupMenu1->addAction(QStringLiteral("Delete"));
    PopupMenu1->addSeparator();
    SelectAll1 = PopupMenu1->addAction(QStringLiteral("Select All"));

    setTabOrder(ComboBox1, Edit1);
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Button1);
    setTabOrder(Button1, Button3);
    setTabOrder(Button3, Button4);
    setTabOrder(Button4, ListView1);
    setTabOrder(ListView1, Button2);
}

void TAppForm::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("File"));
    LoadfromCSVFile1 = file->addAction(QIcon(QStringLiteral(":/icons/directory4.svg")),
                                       QStringLiteral("Load from CSV File..."));
    SavetoCSVFile1 = file->addAction(QIcon(QStringLiteral(":/icons/save48.svg")),
                                     QStringLiteral("Save to CSV File..."));
    addImportCommands(file);
    file->addSeparator();
    CreateWorldHeatmap1 = file->addAction(QIcon(QStringLiteral(":/icons/picture-go.svg")),
                                          QStringLiteral("Create World Heatmap..."));
    file->addSeparator();
    Exit1 = file->addAction(QIcon(QStringLiteral(":/icons/exit.svg")), QStringLiteral("Exit"));

    QMenu *view = menuBar()->addMenu(QStringLiteral("View"));
    AddLocation1 = view->addAction(QStringLiteral("Add Location"));
    AddLocation1->setCheckable(true);
    AddLocation1->setChecked(true);
    LocationList1 = view->addAction(QStringLiteral("Location List"));
    LocationList1->setCheckable(true);
    LocationList1->setChecked(true);

    QMenu *help = menuBar()->addMenu(QStringLiteral("Help"));
    Help2 = help->addAction(QIcon(QStringLiteral(":/icons/help.svg")), QStringLiteral("Online Help"));
    Help2->setShortcut(QKeySequence(Qt::Key_F1));
    Help2->setShortcutContext(Qt::WindowShortcut);
    help->addSeparator();
    UpdateNotifications1 = help->addAction(QStringLiteral("Update Notifications"));
    UpdateNotifications1->setCheckable(true);
    UpdateNotifications1->setChecked(true);
    UpdateNotifications1->setEnabled(false);
    UpdateNotificationsBar = help->addSeparator();
    SendFeedback1 = help->addAction(QIcon(QStringLiteral(":/icons/feedback.svg")), QStringLiteral("Send Feedback..."));
    About1 = help->addAction(QIcon(QStringLiteral(":/icons/about.svg")), QStringLiteral("About..."));
}

void TAppForm::connectHandlers()
{
    connectCommand(Button1, &QPushButton::clicked, this, &TAppForm::Button1Click);
    connectCommand(ComboBox1, &QComboBox::activated, this, &TAppForm::ComboBox1Change);
    connectCommand(Button2, &QPushButton::clicked, this, &TAppForm::Button2Click);
    connectCommand(Button3, &QPushButton::clicked, this, &TAppForm::Button3Click);
    connectCommand(Button4, &QPushButton::clicked, this, &TAppForm::Button4Click);
    connectCommand(Delete1, &QAction::triggered, this, &TAppForm::Delete1Click);
    connectCommand(SelectAll1, &QAction::triggered, this, &TAppForm::SelectAll1Click);
    connectCommand(LoadfromCSVFile1, &QAction::triggered, this, &TAppForm::LoadfromCSVFile1Click);
    connectCommand(SavetoCSVFile1, &QAction::triggered, this, &TAppForm::SavetoCSVFile1Click);
    connectCommand(CreateWorldHeatmap1, &QAction::triggered, this, &TAppForm::CreateWorldHeatmap1Click);
    connectCommand(Exit1, &QAction::triggered, this, &TAppForm::Exit1Click);
    connectCommand(AddLocation1, &QAction::triggered, this, &TAppForm::AddLocation1Click);
    connectCommand(LocationList1, &QAction::triggered, this, &TAppForm::LocationList1Click);
    connectCommand(Help2, &QAction::triggered, this, &TAppForm::Help2Click);
    connectCommand(UpdateNotifications1, &QAction::triggered, this, &TAppForm::UpdateNotifications1Click);
    connectCommand(SendFeedback1, &QAction::triggered, this, &TAppForm::SendFeedback1Click);
    connectCommand(About1, &QAction::triggered, this, &TAppForm::About1Click);
    connect(ListView1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos)); });
}

void TAppForm::FormCreate()
{
    // The program always carries its record; if it cannot be read, say so and go on, so that
    // the separator and the country table are still set up.
    // Every shared value is final before a box can show: a box runs an event loop of its own.
    const QString failure = assignIdentity(m_programFile);
    setWindowTitle(AppCaption);
    AppListSeparator = listSeparatorFor(QLocale::system());
    if (!failure.isEmpty())
        showErrorBox(nullptr, failure);

    CountryTable.clear();
    CountryTable = readTextLines(m_programFolder + QStringLiteral("/countries.dat"));
}

void TAppForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    FormShow();
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // Centred, frame included, on the available area of its screen; without a window manager it
    // would sit in the corner.
    move(QStyle::alignedRect(layoutDirection(), Qt::AlignCenter, frameGeometry().size(),
                             screen()->availableGeometry())
             .topLeft());
    TimerChecker->start();
}

void TAppForm::FormShow()
{
    // QMainWindow keeps the status bar as the bottom-most band by itself.
}

void TAppForm::LoadfromCSVFile1Click()
{
    Button3Click();
}

void TAppForm::SavetoCSVFile1Click()
{
    Button4Click();
}

void TAppForm::CreateWorldHeatmap1Click()
{
    Button2Click();
}

void TAppForm::Exit1Click()
{
    // Ends at once: no question, nothing saved.
    QApplication::exit(0);
}

void TAppForm::AddLocation1Click()
{
    // The action has already flipped its own check mark.
    GroupBox1->setVisible(AddLocation1->isChecked());
}

void TAppForm::LocationList1Click()
{
    GroupBox2->setVisible(LocationList1->isChecked());
}

void TAppForm::Help2Click()
{
    desktop().openUrl(QUrl(OnlineHelpAddress(AppProductName)));
}
