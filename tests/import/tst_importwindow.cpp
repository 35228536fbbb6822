#include "app/tappform.h"
#include "identity/identity.h"
#include "import/timporttableform.h"
#include "recordingdesktop.h"
#include "windowdriving.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// The main window on a copy of the built program, shown, with dialogs and boxes recorded.
class Window final
{
public:
    Window()
    {
        const QString program = m_dir.filePath(QStringLiteral("thermira"));
        QFile::copy(QStringLiteral(THERMIRA_EXECUTABLE), program);
        QFile table(m_dir.filePath(QStringLiteral("countries.dat")));
        table.open(QIODevice::WriteOnly);
        table.close();
        form = std::make_unique<TAppForm>(program);
        // No update check here: the timer, started when the window shows, starts nothing.
        form->TimerChecker->disconnect();
        AppListSeparator = u',';
        form->show();
        QApplication::setActiveWindow(form.get());
    }

    QStringList rows() const { return listRows(form->ListView1->model()); }

    // Opens a menu of the menu bar with the mouse and clicks one of its items.
    void menuCommand(int menuIndex, QAction *item)
    {
        QMenuBar *bar = form->menuBar();
        QAction *menuAction = bar->actions().at(menuIndex);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menuAction).center());
        QMenu *menu = menuAction->menu();
        QTRY_VERIFY(menu->isVisible());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    }

    // Right-click into the list and choose an item of its popup menu with the mouse.
    void popupCommand(QAction *action) { choosePopupItem(form->ListView1->viewport(), form->PopupMenu1, action); }

    RecordingDesktop desktop;
    std::unique_ptr<TAppForm> form;

private:
    QTemporaryDir m_dir;
};

// Runs act on the import dialog once it shows, inside the dialog's own event loop. A dialog
// still open 5 s later is cancelled, so a failing check never leaves the test waiting.
void onImportDialog(std::function<void(TImportTableForm &)> act)
{
    auto *poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act = std::move(act)] {
        auto *dialog = qobject_cast<TImportTableForm *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        act(*dialog);
        if (!QTest::qWaitFor([dialog] { return !dialog->isVisible(); }, 5000))
            dialog->reject();
    });
    poll->start();
}

QStringList choices(const TImportTableForm &dialog)
{
    return {dialog.SeparatorBox->currentText(), dialog.HeaderCheck->isChecked() ? "header" : "no header",
            dialog.DecimalMarkBox->currentText(), dialog.LatitudeBox->currentText(),
            dialog.LongitudeBox->currentText(), dialog.LabelBox->currentText()};
}

} // namespace

class TestImportWindow final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void importThroughTheFileMenu()
    {
        Window window;
        window.form->Edit1->setText(QStringLiteral("1"));
        window.form->Edit2->setText(QStringLiteral("2"));
        window.form->Button1Click();
        window.desktop.openAnswers << QStringLiteral(THERMIRA_TABLES "/spreadsheet-export.csv");

        QStringList found;
        QStringList previewRows;
        onImportDialog([&](TImportTableForm &dialog) {
            found = choices(dialog);
            const QAbstractItemModel *preview = dialog.PreviewTable->model();
            for (int row = 0; row < preview->rowCount(); ++row)
                previewRows << preview->headerData(row, Qt::Vertical).toString() + u':' +
                                   preview->index(row, 0).data().toString();
            QTRY_COMPARE(dialog.CountLabel->text(), QStringLiteral("6 rows will be added, 1 skipped (row 6)."));
            // Another label column: the preview marks it, and the counting runs again.
            dialog.LabelBox->setCurrentIndex(dialog.LabelBox->findText(QStringLiteral("2: Country")));
            QCOMPARE(dialog.PreviewTable->model()->headerData(1, Qt::Horizontal).toString(),
                     QStringLiteral("Country\nLabel"));
            QTRY_COMPARE(dialog.CountLabel->text(), QStringLiteral("6 rows will be added, 1 skipped (row 6)."));
            QTest::mouseClick(dialog.ImportButton, Qt::LeftButton);
        });
        window.menuCommand(0, window.form->ImportTable1);

        QCOMPARE(found, (QStringList{"Comma", "header", "Point (41.0082)", "3: Latitude", "4: Longitude", "1: Name"}));
        // The table's own row numbers down the side; a quoted line break stays in its row.
        QCOMPARE(previewRows, (QStringList{"2:Istanbul, Fatih", "3:Paris", "4:Washington, D.C.", "5:São Paulo",
                                           "6:Quote \"test\" town", "7:Oslo (old town)", "8:Sydney"}));
        QCOMPARE(window.rows(), (QStringList{"1|2|", "41.0082|28.9784|Turkey", "48.8566|2.3522|France",
                                             "38.9072|-77.0369|United States", "-23.5505|-46.6333|Brazil",
                                             "59.9139|10.7522|Norway", "-33.8688|151.2093|Australia"}));
        QCOMPARE(window.desktop.messages.size(), 1);
        QCOMPARE(window.desktop.messages[0].text,
                 QStringLiteral("Added 6 locations. Skipped 1 row without usable coordinates (missing, not a number "
                                "or out of range): row 6."));
        QCOMPARE(window.desktop.messages[0].caption, QStringLiteral("Import Table"));
        QCOMPARE(window.desktop.dialogCalls.size(), 1);
        QCOMPARE(window.desktop.dialogCalls[0].filter, QStringLiteral("Table (*.csv *.tsv *.txt);;Any File (*)"));
    }

    // "thermira --table FILE...": each table imported without the dialog, each its own command.
    void tablesNamedOnTheCommandLine()
    {
        Window window;
        const QString missing = QStringLiteral(THERMIRA_TABLES "/missing.csv");
        window.form->importTableFiles({missing, QStringLiteral(THERMIRA_TABLES "/no-header.csv")},
                                      {{}, {}, {}, QStringLiteral("1")});
        QCOMPARE(window.rows(), (QStringList{"41.0082|28.9784|41.0082", "39.9334|32.8597|39.9334",
                                             "38.4237|27.1428|38.4237"}));
        QCOMPARE(window.desktop.messages.size(), 2);
        QVERIFY(window.desktop.messages[0].text.startsWith(QStringLiteral("Cannot open file")));
        QCOMPARE(window.desktop.messages[1].text,
                 QStringLiteral("\"no-header.csv\": Added 3 locations. Skipped 1 row without usable coordinates "
                                "(missing, not a number or out of range): row 4."));
    }

    void ctrlVImportsACopiedRange()
    {
        Window window;
        QVERIFY(QTest::qWaitForWindowActive(window.form.get()));
        QClipboard *clipboard = QGuiApplication::clipboard();

        // Nothing on the clipboard: the popup menu's Paste says so.
        clipboard->clear();
        window.popupCommand(window.form->Paste1);
        QCOMPARE(window.desktop.messages.size(), 1);
        QVERIFY(window.desktop.messages[0].text.startsWith(QStringLiteral("The clipboard holds no text")));

        // A range from a spreadsheet with decimal commas, as it lands on the clipboard.
        clipboard->setText(QStringLiteral("Place\tLat\tLon\r\nTokyo, Japan\t35,6762\t139,6503\r\nnowhere\t\t\r\n"));
        window.form->ListView1->setFocus();
        QStringList found;
        onImportDialog([&](TImportTableForm &dialog) {
            found = choices(dialog);
            QTest::mouseClick(dialog.CancelButton, Qt::LeftButton);
        });
        QTest::keyClick(window.form->ListView1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(found, (QStringList{"Tab", "header", "Comma (41,0082)", "2: Lat", "3: Lon", "1: Place"}));
        QCOMPARE(window.rows(), QStringList{});
        QCOMPARE(window.desktop.messages.size(), 1);

        // A desktop activates the main window again when the dialog closes; the offscreen
        // platform leaves that to us.
        QApplication::setActiveWindow(window.form.get());
        QVERIFY(QTest::qWaitForWindowActive(window.form.get()));
        onImportDialog([](TImportTableForm &dialog) {
            QTRY_VERIFY(dialog.ImportButton->isEnabled());
            QTest::keyClick(&dialog, Qt::Key_Return);
        });
        QTest::keyClick(window.form->ListView1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(window.rows(), QStringList{"35.6762|139.6503|Tokyo, Japan"});
        QCOMPARE(window.desktop.messages.size(), 2);
        QCOMPARE(window.desktop.messages[1].text,
                 QStringLiteral("Added 1 location. Skipped 1 row without usable coordinates (missing, not a number "
                                "or out of range): row 3."));

        // In a text field Ctrl+V pastes into the field and opens nothing.
        QApplication::setActiveWindow(window.form.get());
        QVERIFY(QTest::qWaitForWindowActive(window.form.get()));
        clipboard->setText(QStringLiteral("12.5"));
        bool opened = false;
        onImportDialog([&](TImportTableForm &) { opened = true; });
        window.form->Edit1->setFocus();
        window.form->Edit1->selectAll();
        QTest::keyClick(window.form->Edit1, Qt::Key_V, Qt::ControlModifier);
        QTest::qWait(50);
        QCOMPARE(window.form->Edit1->text(), QStringLiteral("12.5"));
        QVERIFY(!opened);
        QCOMPARE(window.rows().size(), 1);
    }
};

QTEST_MAIN(TestImportWindow)
#include "tst_importwindow.moc"
