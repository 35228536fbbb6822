#include "app/tappform.h"
#include "identity/identity.h"
#include "recordingdesktop.h"
#include "service/makersite.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// A program folder of the test's own: a copy of the built program, with or without a table.
class ProgramFolder final
{
public:
    explicit ProgramFolder(bool withCountryTable)
    {
        m_file = m_dir.filePath(QStringLiteral("thermira"));
        QFile::copy(QStringLiteral(THERMIRA_EXECUTABLE), m_file);
        if (withCountryTable) {
            QFile table(m_dir.filePath(QStringLiteral("countries.dat")));
            if (table.open(QIODevice::WriteOnly))
                table.write("\xEF\xBB\xBF" "Chad,15.45,18.73\r\n");
        }
    }
    const QString &file() const { return m_file; }
    QString path(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QString m_file;
};

std::unique_ptr<TAppForm> makeForm(const ProgramFolder &folder)
{
    auto form = std::make_unique<TAppForm>(folder.file());
    // No update check here: the timer, started when the window shows, starts nothing.
    form->TimerChecker->disconnect();
    return form;
}

QStringList actionTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

} // namespace

class TestAppForm final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { setMakerHostForTesting(QStringLiteral("palvex.test")); }

    void startUpSetsIdentityFromTheVersionRecord()
    {
        RecordingDesktop desktop;
        const ProgramFolder folder(true);
        auto form = makeForm(folder);
        QCOMPARE(desktop.messages.size(), 0);
        QCOMPARE(AppCompanyName, QStringLiteral("PALVEX"));
        QCOMPARE(AppProductName, QStringLiteral("Thermira"));
        QCOMPARE(AppCaption, QStringLiteral("PALVEX - Thermira"));
        QCOMPARE(AppVersion, QStringLiteral("2.0"));
        QCOMPARE(form->windowTitle(), QStringLiteral("PALVEX - Thermira"));
        QCOMPARE(CountryTable, QStringList{QStringLiteral("Chad,15.45,18.73")});
    }

    void versionText_data()
    {
        QTest::addColumn<quint32>("fileVersionMS");
        QTest::addColumn<QString>("text");
        QTest::newRow("2.0.0.0") << quint32(0x00020000) << "2.0";
        QTest::newRow("3.15.0.7") << quint32(0x0003000F) << "3.15";
        QTest::newRow("10.12.3.4") << quint32(0x000A000C) << "10.12";
        QTest::newRow("65535.65535") << quint32(0xFFFFFFFF) << "65535.65535";
    }
    void versionText()
    {
        QFETCH(quint32, fileVersionMS);
        QFETCH(QString, text);
        QCOMPARE(formatAppVersion(fileVersionMS), text);
    }

    void missingCountryTableIsReportedOnceAndTheWindowStillOpens()
    {
        RecordingDesktop desktop;
        const ProgramFolder folder(false);
        auto form = makeForm(folder);
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].caption, QStringLiteral("Thermira"));
        QCOMPARE(desktop.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(desktop.messages[0].text,
                 QStringLiteral("Cannot open file \"%1\". No such file or directory.")
                     .arg(folder.path(QStringLiteral("countries.dat"))));
        QCOMPARE(form->windowTitle(), QStringLiteral("PALVEX - Thermira"));
        QVERIFY(CountryTable.isEmpty());

        // Picking a country then leaves the fields as they were.
        form->ComboBox1->setCurrentIndex(form->ComboBox1->findText(QStringLiteral("Chad")));
        form->ComboBox1Change();
        QCOMPARE(form->Edit1->text(), QStringLiteral("0"));
        QCOMPARE(form->Edit2->text(), QStringLiteral("0"));
    }

    void layoutAtStart()
    {
        RecordingDesktop desktop;
        const ProgramFolder folder(true);
        auto form = makeForm(folder);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));

        // Centred, frame included, on the available area of its screen.
        const QRect frame = form->frameGeometry();
        const QPoint offCentre = frame.center() - form->screen()->availableGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 2,
                 qPrintable(QStringLiteral("at %1,%2").arg(frame.x()).arg(frame.y())));

        QCOMPARE(form->GroupBox1->title(), QStringLiteral("Add Location"));
        QCOMPARE(form->GroupBox2->title(), QStringLiteral("Location List"));
        QCOMPARE(form->GroupBox1->height(), 55);
        QCOMPARE(form->GroupBox2->height(), 55);
        QCOMPARE(form->Edit1->text(), QStringLiteral("0"));
        QCOMPARE(form->Edit2->text(), QStringLiteral("0"));
        QCOMPARE(form->ComboBox1->currentText(), QString());
        QVERIFY(!form->ComboBox1->isEditable());
        QCOMPARE(form->ComboBox1->geometry(), QRect(62, 21, 145, 21));
        QCOMPARE(form->Edit1->geometry(), QRect(262, 21, 100, 21));
        QCOMPARE(form->Edit2->geometry(), QRect(427, 21, 100, 21));
        QCOMPARE(form->Button1->geometry(), QRect(537, 16, 75, 30));
        QCOMPARE(form->Button1->text(), QStringLiteral("Add"));
        QCOMPARE(form->Button3->text(), QStringLiteral("Load Location List..."));
        QCOMPARE(form->Button4->text(), QStringLiteral("Save Location List..."));
        QCOMPARE(form->Button3->size(), QSize(146, 30));
        QCOMPARE(form->Button4->size(), QSize(146, 30));
        QCOMPARE(form->Button2->text(), QStringLiteral("Create World Heatmap"));
        QCOMPARE(form->Button2->size(), QSize(207, 35));
        QVERIFY(form->Button2->font().bold());
        QCOMPARE(form->Panel1->height(), 41);
        QCOMPARE(form->StatusBar1->height(), 19);
        QCOMPARE(form->centralWidget()->width(), 684);

        const QHeaderView *header = form->ListView1->horizontalHeader();
        QCOMPARE(header->count(), 3);
        QCOMPARE(header->sectionSize(0), 100);
        QCOMPARE(header->sectionSize(1), 100);
        QCOMPARE(header->sectionSize(2), 410);
        QVERIFY(form->ListView1->showGrid());
        QVERIFY(!form->ListView1->isSortingEnabled());
        QCOMPARE(form->ListView1->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(form->ListView1->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(form->ListView1->editTriggers(), QAbstractItemView::NoEditTriggers);

        // Bands from top to bottom; the list fills what the others leave.
        QVERIFY(form->GroupBox1->geometry().bottom() < form->GroupBox2->geometry().top());
        QVERIFY(form->GroupBox2->geometry().bottom() < form->ListView1->geometry().top());
        QCOMPARE(form->ListView1->geometry().bottom() + 1, form->Panel1->geometry().top());
        QCOMPARE(form->Panel1->geometry().bottom() + 1, form->centralWidget()->height());
        QCOMPARE(form->Button2->pos(), QPoint(3, 3));
    }

    void menus()
    {
        RecordingDesktop desktop;
        const ProgramFolder folder(true);
        auto form = makeForm(folder);
        const QList<QAction *> menus = form->menuBar()->actions();
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus[0]->text(), QStringLiteral("File"));
        QCOMPARE(menus[1]->text(), QStringLiteral("View"));
        QCOMPARE(menus[2]->text(), QStringLiteral("Help"));
        QCOMPARE(actionTexts(menus[0]->menu()),
                 (QStringList{"Load from CSV File...", "Save to CSV File...", "Import Table...", "-",
                              "Create World Heatmap...", "-", "Exit"}));
        QCOMPARE(actionTexts(menus[1]->menu()), (QStringList{"Add Location", "Location List"}));
        QCOMPARE(actionTexts(menus[2]->menu()), (QStringList{"Online Help", "-", "Update Notifications", "-",
                                                             "Send Feedback...", "About..."}));
        QCOMPARE(actionTexts(form->PopupMenu1), (QStringList{"Delete", "-", "Select All", "-", "Paste"}));

        for (QAction *action : {form->LoadfromCSVFile1, form->SavetoCSVFile1, form->ImportTable1,
                                form->CreateWorldHeatmap1, form->Exit1, form->Help2, form->SendFeedback1, form->About1})
            QVERIFY2(!action->icon().isNull(), qPrintable(action->text()));
        QVERIFY(form->AddLocation1->isChecked());
        QVERIFY(form->LocationList1->isChecked());
        QVERIFY(form->UpdateNotifications1->isChecked());
        QVERIFY(!form->UpdateNotifications1->isEnabled());
        QCOMPARE(form->TimerChecker->interval(), 1000);

        // F1 is the only shortcut of the menu bar (Ctrl+V belongs to the list's Paste); no
        // caption carries an access key.
        for (const QAction *menu : menus) {
            QVERIFY(!menu->text().contains(u'&'));
            for (const QAction *action : menu->menu()->actions()) {
                QVERIFY(!action->text().contains(u'&'));
                if (action != form->Help2)
                    QVERIFY2(action->shortcut().isEmpty(), qPrintable(action->text()));
            }
        }
        QCOMPARE(form->Help2->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(form->Paste1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_V));
    }

    void viewToggles_data()
    {
        QTest::addColumn<QList<int>>("clicks"); // 1: Add Location, 2: Location List
        QTest::addColumn<bool>("addVisible");
        QTest::addColumn<bool>("listVisible");
        QTest::newRow("hide add") << QList<int>{1} << false << true;
        QTest::newRow("hide list") << QList<int>{2} << true << false;
        QTest::newRow("hide both") << QList<int>{1, 2} << false << false;
        QTest::newRow("hide both, other order") << QList<int>{2, 1} << false << false;
        QTest::newRow("hide both, show list") << QList<int>{1, 2, 2} << false << true;
        QTest::newRow("hide both, show list, show add") << QList<int>{1, 2, 2, 1} << true << true;
        QTest::newRow("hide both, show add, show list") << QList<int>{1, 2, 1, 2} << true << true;
        QTest::newRow("twice is back") << QList<int>{1, 1} << true << true;
    }
    void viewToggles()
    {
        QFETCH(QList<int>, clicks);
        QFETCH(bool, addVisible);
        QFETCH(bool, listVisible);
        RecordingDesktop desktop;
        const ProgramFolder folder(true);
        auto form = makeForm(folder);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const int fullListHeight = form->ListView1->height();

        for (int click : clicks)
            (click == 1 ? form->AddLocation1 : form->LocationList1)->trigger();
        QApplication::processEvents();

        QCOMPARE(form->AddLocation1->isChecked(), addVisible);
        QCOMPARE(form->LocationList1->isChecked(), listVisible);
        QCOMPARE(form->GroupBox1->isVisible(), addVisible);
        QCOMPARE(form->GroupBox2->isVisible(), listVisible);

        // The visible groups stack from the top, "Add Location" above "Location List", and the
        // list takes the room of each hidden band.
        int top = 3;
        if (addVisible) {
            QCOMPARE(form->GroupBox1->y(), top);
            top += 55 + 6;
        }
        if (listVisible) {
            QCOMPARE(form->GroupBox2->y(), top);
            top += 55 + 6;
        }
        QCOMPARE(form->ListView1->y(), top);
        const int hidden = int(!addVisible) + int(!listVisible);
        QCOMPARE(form->ListView1->height(), fullListHeight + hidden * (55 + 6));
    }

    void f1OpensTheHelpPage()
    {
        RecordingDesktop desktop;
        const ProgramFolder folder(true);
        auto form = makeForm(folder);
        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));

        form->Edit1->setFocus();
        QTest::keyClick(form->Edit1, Qt::Key_F1);
        QCOMPARE(desktop.openedUrls, QList<QUrl>{QUrl(QStringLiteral("http://palvex.test/help/thermira/"))});

        form->ListView1->setFocus();
        QTest::keyClick(form->ListView1, Qt::Key_F1);
        form->Help2->trigger();
        QCOMPARE(desktop.openedUrls.size(), 3);
        QCOMPARE(desktop.messages.size(), 0);
    }

    void helpSlug_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("slug");
        QTest::newRow("one word") << "Thermira" << "thermira";
        QTest::newRow("two words") << "World Heat Map" << "world-heat-map";
        QTest::newRow("only ASCII capitals are lowered") << QStringLiteral("ÄRZ Ö") << QStringLiteral("Ärz-Ö");
        QTest::newRow("digits and hyphens kept") << "Map-2 X" << "map-2-x";
    }
    void helpSlug()
    {
        QFETCH(QString, product);
        QFETCH(QString, slug);
        QCOMPARE(::helpSlug(product), slug);
        QCOMPARE(OnlineHelpAddress(product), QStringLiteral("http://palvex.test/help/") + slug + u'/');
    }

    void exitEndsTheProgramAtOnce()
    {
        RecordingDesktop desktop;
        const ProgramFolder folder(true);
        auto form = makeForm(folder);
        form->show();
        form->Edit1->setText(QStringLiteral("41.01"));
        form->Button1Click();
        QTimer::singleShot(0, form.get(), [&] { form->Exit1->trigger(); });
        QTimer guard;
        guard.setSingleShot(true);
        guard.start(5000);
        QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(7); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(desktop.messages.size(), 0);
        QCOMPARE(desktop.dialogCalls.size(), 0);
    }
};

QTEST_MAIN(TestAppForm)
#include "tst_appform.moc"
