#include "app/tappform.h"
#include "identity/identity.h"
#include "locations/countrynames.h"
#include "locations/locationlistmodel.h"
#include "recordingdesktop.h"
#include "windowdriving.h"
#include "testfiles.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include <sys/stat.h>

namespace {

const QString Filter = QStringLiteral("CSV File (*.csv);;Any File (*)");

// The main window on a program folder of its own: a copy of the built program and, unless
// told otherwise, a country table with the given bytes. Message boxes and dialogs go to the
// recording desktop.
class Window final
{
public:
    explicit Window(const QByteArray &countryTable, bool withTable = true)
    {
        const QString program = m_dir.filePath(QStringLiteral("thermira"));
        QFile::copy(QStringLiteral(THERMIRA_EXECUTABLE), program);
        if (withTable)
            writeFileBytes(m_dir.filePath(QStringLiteral("countries.dat")), countryTable);
        form = std::make_unique<TAppForm>(program);
        // No update check here: the timer, started when the window shows, starts nothing.
        form->TimerChecker->disconnect();
        AppListSeparator = u',';
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Picks an item of the country picker the way a user does: open the list, go to the item,
    // press Enter.
    void pick(const QString &name)
    {
        QComboBox *box = form->ComboBox1;
        const int index = box->findText(name);
        QVERIFY2(index >= 0, qPrintable(name));
        box->showPopup();
        QAbstractItemView *list = box->view();
        list->setCurrentIndex(list->model()->index(index, 0));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(box->currentText(), name);
    }

    void add(const QString &latitude, const QString &longitude)
    {
        form->Edit1->setText(latitude);
        form->Edit2->setText(longitude);
        QTest::mouseClick(form->Button1, Qt::LeftButton);
    }

    QStringList rows() const { return listRows(form->ListView1->model()); }

    QPoint rowCentre(int row) const
    {
        return form->ListView1->visualRect(form->ListView1->model()->index(row, 0)).center();
    }

    // Right-click into the list and choose an item of its popup menu with the mouse.
    void popupCommand(QAction *action) { choosePopupItem(form->ListView1->viewport(), form->PopupMenu1, action); }

    RecordingDesktop desktop;
    std::unique_ptr<TAppForm> form;

private:
    QTemporaryDir m_dir;
};

// Drags the data over the widget and, when the drag is accepted there, drops it, as the
// platform does. Returns whether the drop was taken; a refused drag shows the no-drop cursor.
bool dragAndDrop(QWidget *target, const QMimeData &data)
{
    const QPoint at = target->rect().center();
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

QMimeData *urlData(const QList<QUrl> &urls)
{
    auto *data = new QMimeData;
    data->setUrls(urls);
    return data;
}

QByteArray shippedTable()
{
    return readFileBytes(QStringLiteral(THERMIRA_COUNTRY_TABLE));
}

} // namespace

class TestLocationsWindow final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void add_data()
    {
        QTest::addColumn<QString>("picked");
        QTest::addColumn<QString>("latitude");
        QTest::addColumn<QString>("longitude");
        QTest::addColumn<QString>("row");

        QTest::newRow("both fields empty") << ""
                                           << ""
                                           << ""
                                           << "||";
        QTest::newRow("no number, no warning") << ""
                                               << "abc"
                                               << "0"
                                               << "abc|0|";
        QTest::newRow("blanks kept") << ""
                                     << " 1 "
                                     << "2 "
                                     << " 1 |2 |";
        QTest::newRow("picked, then coordinates typed") << "Chad"
                                                        << "1"
                                                        << "2"
                                                        << "1|2|Chad";
        QTest::newRow("picked accented name") << "Réunion"
                                              << "-21"
                                              << "55"
                                              << "-21|55|Réunion";
    }
    void add()
    {
        QFETCH(QString, picked);
        QFETCH(QString, latitude);
        QFETCH(QString, longitude);
        QFETCH(QString, row);
        Window window("\xEF\xBB\xBF"
                      "Chad,15.45,18.73\r\n");
        if (!picked.isEmpty())
            window.pick(picked);
        window.add(latitude, longitude);
        QCOMPARE(window.rows(), QStringList{row});
        QVERIFY(window.desktop.messages.isEmpty());
    }

    void addTwiceAppendsTwoRowsAtTheEnd()
    {
        Window window("Chad,15.45,18.73\r\n");
        window.add(QStringLiteral("0"), QStringLiteral("0"));
        window.pick(QStringLiteral("Chad"));
        QTest::mouseClick(window.form->Button1, Qt::LeftButton);
        QTest::mouseClick(window.form->Button1, Qt::LeftButton);
        QCOMPARE(window.rows(), (QStringList{"0|0|", "15.45|18.73|Chad", "15.45|18.73|Chad"}));
        // The fields and the picker keep their contents.
        QCOMPARE(window.form->Edit1->text(), QStringLiteral("15.45"));
        QCOMPARE(window.form->ComboBox1->currentText(), QStringLiteral("Chad"));
    }

    void pick_data()
    {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("latitude");
        QTest::addColumn<QString>("longitude");

        QTest::newRow("two commas") << QByteArray("Chad,15.45,18.73\r\n") << "Chad"
                                    << "15.45"
                                    << "18.73";
        QTest::newRow("one comma") << QByteArray("Chad,15.45\r\n") << "Chad"
                                   << ""
                                   << "15.45";
        QTest::newRow("three commas") << QByteArray("Chad,15.45,18.73,x\r\n") << "Chad"
                                      << "15.45"
                                      << "18.73,x";
        QTest::newRow("lower-case line: fields unchanged") << QByteArray("chad,15.45,18.73\r\n") << "Chad"
                                                           << "typed"
                                                           << "text";
        QTest::newRow("two lines for a name: the first") << QByteArray("Chad,1,2\r\nChad,3,4\r\n") << "Chad"
                                                         << "1"
                                                         << "2";
        QTest::newRow("name not in the table: fields unchanged") << QByteArray("Chad,1,2\r\n") << "Benin"
                                                                 << "typed"
                                                                 << "text";
        QTest::newRow("marked UTF-8, accented name") << QByteArray("\xEF\xBB\xBF"
                                                                   "C\xC3\xB4te d'Ivoire,6.8,-5.3\r\n")
                                                     << "Côte d'Ivoire"
                                                     << "6.8"
                                                     << "-5.3";
        QTest::newRow("marked UTF-8, three accents")
            << QByteArray("\xEF\xBB\xBF"
                          "S\xC3\xA3o Tom\xC3\xA9 and Pr\xC3\xADncipe,0.2,6.6\r\n")
            << "São Tomé and Príncipe"
            << "0.2"
            << "6.6";
        QTest::newRow("UTF-16 table") << QByteArray("\xFF\xFE"
                                                    "R\0\xE9\0u\0n\0i\0o\0n\0,\0"
                                                    "1\0,\0"
                                                    "2\0",
                                                    24)
                                      << "Réunion"
                                      << "1"
                                      << "2";
    }
    void pick()
    {
        QFETCH(QByteArray, table);
        QFETCH(QString, name);
        QFETCH(QString, latitude);
        QFETCH(QString, longitude);
        Window window(table);
        QVERIFY(window.desktop.messages.isEmpty());
        // Whatever the user typed is overwritten by a hit.
        window.form->Edit1->setText(QStringLiteral("typed"));
        window.form->Edit2->setText(QStringLiteral("text"));
        window.pick(name);
        QCOMPARE(window.form->Edit1->text(), latitude);
        QCOMPARE(window.form->Edit2->text(), longitude);
        QVERIFY(window.desktop.messages.isEmpty());
    }

    void withoutCountryTablePicksChangeNothing()
    {
        Window window({}, false);
        QCOMPARE(window.desktop.messages.size(), 1);
        QCOMPARE(window.desktop.messages[0].text,
                 QStringLiteral("Cannot open file \"%1\". No such file or directory.")
                     .arg(QDir::toNativeSeparators(window.path(QStringLiteral("countries.dat")))));
        window.pick(QStringLiteral("Chad"));
        QCOMPARE(window.form->Edit1->text(), QStringLiteral("0"));
        QCOMPARE(window.form->Edit2->text(), QStringLiteral("0"));
    }

    // Every item of the picker, picked in the window with the shipped table beside the program,
    // fills both fields from its own line.
    void everyPickerItemFillsBothFields()
    {
        Window window(shippedTable());
        QComboBox *box = window.form->ComboBox1;
        QCOMPARE(box->count(), 245);
        QCOMPARE(box->currentIndex(), -1);
        QCOMPARE(box->currentText(), QString());
        for (int i = 0; i < box->count(); ++i) {
            QCOMPARE(box->itemText(i), countryNames()[i]);
            window.form->Edit1->clear();
            window.form->Edit2->clear();
            window.pick(box->itemText(i));
            const QString expected =
                box->itemText(i) + u',' + window.form->Edit1->text() + u',' + window.form->Edit2->text();
            QCOMPARE(CountryTable.value(i), expected);
            bool latOk = false;
            bool lonOk = false;
            const double latitude = window.form->Edit1->text().toDouble(&latOk);
            const double longitude = window.form->Edit2->text().toDouble(&lonOk);
            QVERIFY2(latOk && lonOk && qAbs(latitude) <= 90 && qAbs(longitude) <= 180, qPrintable(expected));
        }
    }

    void pickerIsPickOnly()
    {
        Window window("Chad,1,2\r\n");
        QVERIFY(!window.form->ComboBox1->isEditable());
        QVERIFY(window.form->ComboBox1->lineEdit() == nullptr);
    }

    void popupMenu()
    {
        Window window({});
        const QList<QAction *> actions = window.form->PopupMenu1->actions();
        QCOMPARE(actions.size(), 5); // then a separator and Paste, which imports a table
        QCOMPARE(actions[0], window.form->Delete1);
        QCOMPARE(actions[0]->text(), QStringLiteral("Delete"));
        QVERIFY(actions[1]->isSeparator());
        QCOMPARE(actions[2], window.form->SelectAll1);
        QCOMPARE(actions[2]->text(), QStringLiteral("Select All"));
        QVERIFY(actions[0]->shortcut().isEmpty() && actions[2]->shortcut().isEmpty());
    }

    void deleteRemovesTheSelectedRows_data()
    {
        QTest::addColumn<QList<int>>("clicked"); // rows clicked with Ctrl held
        QTest::addColumn<QStringList>("remaining");
        QTest::newRow("nothing selected") << QList<int>{} << QStringList{"0", "1", "2", "3", "4"};
        QTest::newRow("one row") << QList<int>{2} << QStringList{"0", "1", "3", "4"};
        QTest::newRow("rows apart") << QList<int>{4, 0, 2} << QStringList{"1", "3"};
        QTest::newRow("clicked twice is unselected")
            << QList<int>{1, 1, 3} << QStringList{"0", "1", "2", "4"};
    }
    void deleteRemovesTheSelectedRows()
    {
        QFETCH(QList<int>, clicked);
        QFETCH(QStringList, remaining);
        Window window({});
        window.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.form.get()));
        for (int i = 0; i < 5; ++i)
            window.add(QString::number(i), QStringLiteral("x"));
        window.form->ListView1->clearSelection();
        for (int row : clicked)
            QTest::mouseClick(window.form->ListView1->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              window.rowCentre(row));
        window.popupCommand(window.form->Delete1);
        QStringList latitudes;
        for (const QString &row : window.rows())
            latitudes << row.section(u'|', 0, 0);
        QCOMPARE(latitudes, remaining);
        QVERIFY(window.desktop.messages.isEmpty());
    }

    void selectAllThenDeleteEmptiesTheList()
    {
        Window window({});
        window.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.form.get()));
        for (int i = 0; i < 4; ++i)
            window.add(QString::number(i), QStringLiteral("x"));
        window.popupCommand(window.form->SelectAll1);
        QCOMPARE(window.form->ListView1->selectionModel()->selectedRows().size(), 4);
        window.popupCommand(window.form->Delete1);
        QCOMPARE(window.rows(), QStringList{});
        // On an empty list both stay harmless.
        window.popupCommand(window.form->SelectAll1);
        window.popupCommand(window.form->Delete1);
        QCOMPARE(window.rows(), QStringList{});
        window.add(QStringLiteral("5"), QStringLiteral("6"));
        QCOMPARE(window.rows(), QStringList{"5|6|"});
    }

    void headerClickAndEditingChangeNothing()
    {
        Window window({});
        window.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.form.get()));
        for (const char *latitude : {"b", "c", "a"})
            window.add(QString::fromLatin1(latitude), QStringLiteral("1"));
        QHeaderView *header = window.form->ListView1->horizontalHeader();
        for (int column = 0; column < 3; ++column) {
            const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                header->height() / 2);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
        }
        QTableView *view = window.form->ListView1;
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, window.rowCentre(1));
        QTest::keyClick(view, Qt::Key_F2);
        QTest::keyClicks(view, QStringLiteral("zz"));
        QTest::keyClick(view, Qt::Key_Return);
        QVERIFY(view->viewport()->findChildren<QLineEdit *>().isEmpty());
        QCOMPARE(window.rows(), (QStringList{"b|1|", "c|1|", "a|1|"}));
    }

    void layoutOfTheList()
    {
        Window window({});
        QTableView *view = window.form->ListView1;
        QCOMPARE(view->horizontalHeader()->sectionSize(0), 100);
        QCOMPARE(view->horizontalHeader()->sectionSize(1), 100);
        QCOMPARE(view->horizontalHeader()->sectionSize(2), 410);
        QVERIFY(view->showGrid());
        QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(view->selectionMode(), QAbstractItemView::ExtendedSelection);
        QVERIFY(!view->isSortingEnabled());
    }

    void loadAppendsBehindTheList()
    {
        Window window({});
        const QString file = window.path(QStringLiteral("list.csv"));
        QVERIFY(writeFileBytes(file, "\xEF\xBB\xBF"
                                 "41.01,28.97\r\nno separator\r\n\r\n1;2;3\r\n7,\r\n,5\r\n"));
        window.add(QStringLiteral("first"), QStringLiteral("row"));
        window.desktop.openAnswers << file << file;
        QTest::mouseClick(window.form->Button3, Qt::LeftButton);
        // The File menu item does the same.
        window.form->LoadfromCSVFile1->trigger();
        const QStringList once{"41.01|28.97|", "7||", "|5|"};
        QCOMPARE(window.rows(), QStringList{"first|row|"} + once + once);
        QVERIFY(window.desktop.messages.isEmpty());

        QCOMPARE(window.desktop.dialogCalls.size(), 2);
        for (const RecordingDesktop::DialogCall &call : window.desktop.dialogCalls) {
            QCOMPARE(call.kind, QStringLiteral("open"));
            QCOMPARE(call.filter, Filter);
            QCOMPARE(call.defaultSuffix, QStringLiteral("csv"));
        }
        QCOMPARE(window.desktop.dialogCalls[0].start, QString());
        QCOMPARE(window.desktop.dialogCalls[1].start, file);

        // Cancel: nothing happens, and the last name is offered again.
        QTest::mouseClick(window.form->Button3, Qt::LeftButton);
        QCOMPARE(window.rows().size(), 7);
        QCOMPARE(window.desktop.dialogCalls[2].start, file);
    }

    void loadUnderSemicolon()
    {
        Window window({});
        AppListSeparator = u';';
        const QString file = window.path(QStringLiteral("list.csv"));
        QVERIFY(writeFileBytes(file, "41,01;28,97\r\n1;2;3\r\n7;\r\n41.01,28.97\r\n"));
        window.desktop.openAnswers << file;
        QTest::mouseClick(window.form->Button3, Qt::LeftButton);
        QCOMPARE(window.rows(), (QStringList{"41,01|28,97|", "1|2;3|", "7||"}));
    }

    void loadThatAddsNothingSaysSo()
    {
        Window window({});
        AppListSeparator = u';';
        window.add(QStringLiteral("1"), QStringLiteral("2"));
        const QString commas = window.path(QStringLiteral("commas.csv"));
        const QString blank = window.path(QStringLiteral("blank.csv"));
        QVERIFY(writeFileBytes(commas, "41.01,28.97\r\n\r\n48.85,2.35\r\n"));
        QVERIFY(writeFileBytes(blank, "\r\n  \r\n"));
        window.desktop.openAnswers << commas << blank;
        QTest::mouseClick(window.form->Button3, Qt::LeftButton);
        QCOMPARE(window.desktop.messages.size(), 1);
        QCOMPARE(window.desktop.messages[0].text,
                 QStringLiteral("No location was loaded from \"commas.csv\": no line holds the list separator \";\". "
                                "For other tables (a header row, quoted fields, more columns or another "
                                "separator) use \"Import Table...\" in the File menu."));
        QCOMPARE(window.desktop.messages[0].caption, QStringLiteral("WARNING"));
        QCOMPARE(window.desktop.messages[0].icon, QMessageBox::Warning);
        // A file of blank lines has nothing to miss.
        QTest::mouseClick(window.form->Button3, Qt::LeftButton);
        QCOMPARE(window.desktop.messages.size(), 1);
        QCOMPARE(window.rows(), QStringList{"1|2|"});
    }

    void failedLoadShowsTheErrorBoxAndKeepsTheList_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("systemText");
        QTest::newRow("missing") << "missing.csv"
                                 << "No such file or directory";
        QTest::newRow("a pipe") << "pipe.csv"
                                << "Not a regular file";
    }
    void failedLoadShowsTheErrorBoxAndKeepsTheList()
    {
        QFETCH(QString, name);
        QFETCH(QString, systemText);
        Window window({});
        const QString file = window.path(name);
        if (name == u"pipe.csv")
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        window.add(QStringLiteral("1"), QStringLiteral("2"));
        window.desktop.openAnswers << file;
        QTest::mouseClick(window.form->Button3, Qt::LeftButton);
        QCOMPARE(window.desktop.messages.size(), 1);
        QCOMPARE(
            window.desktop.messages[0].text,
            QStringLiteral("Cannot open file \"%1\". %2.").arg(QDir::toNativeSeparators(file), systemText));
        QCOMPARE(window.desktop.messages[0].caption, QStringLiteral("Thermira"));
        QCOMPARE(window.desktop.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(window.rows(), QStringList{"1|2|"});
        // The dialog offers the name again.
        window.form->LoadfromCSVFile1->trigger();
        QCOMPARE(window.desktop.dialogCalls.last().start, file);
    }

    // Local files dropped on the list or on a coordinate field load like "Load Location
    // List...", each on its own; a folder, a remote address or plain text is refused.
    void dropFiles()
    {
        Window window({});
        const QString first = window.path(QStringLiteral("first.csv"));
        const QString second = window.path(QStringLiteral("second.csv"));
        QVERIFY(writeFileBytes(first, "1,2\r\n"));
        QVERIFY(writeFileBytes(second, "3,4\r\nno separator\r\n"));
        const QString missing = window.path(QStringLiteral("missing.csv"));
        QVERIFY(QDir(window.path(QString())).mkdir(QStringLiteral("folder")));
        const QUrl folder = QUrl::fromLocalFile(window.path(QStringLiteral("folder")));
        QWidget *list = window.form->ListView1->viewport();

        const std::unique_ptr<QMimeData> twoFiles(urlData({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)}));
        QVERIFY(dragAndDrop(list, *twoFiles));
        QCOMPARE(window.rows(), (QStringList{"1|2|", "3|4|"}));

        const std::unique_ptr<QMimeData> withFolder(urlData({QUrl::fromLocalFile(first), folder}));
        const std::unique_ptr<QMimeData> remote(urlData({QUrl(QStringLiteral("https://example.com/list.csv"))}));
        QMimeData text;
        text.setText(QStringLiteral("5,6"));
        QVERIFY(!dragAndDrop(list, *withFolder));
        QVERIFY(!dragAndDrop(list, *remote));
        QVERIFY(!dragAndDrop(list, text));
        QVERIFY(!dragAndDrop(window.form->Edit1, *remote));
        QCOMPARE(window.rows().size(), 2);

        // On a coordinate field the file loads instead of its path being typed in (file managers
        // send the path as text too).
        const std::unique_ptr<QMimeData> oneFile(urlData({QUrl::fromLocalFile(first)}));
        oneFile->setText(first);
        QVERIFY(dragAndDrop(window.form->Edit1, *oneFile));
        QCOMPARE(window.form->Edit1->text(), QStringLiteral("0"));
        QCOMPARE(window.rows().size(), 3);

        // A file that cannot be read gets the error box; the next file still loads.
        const std::unique_ptr<QMimeData> withMissing(urlData({QUrl::fromLocalFile(missing), QUrl::fromLocalFile(second)}));
        QVERIFY(dragAndDrop(list, *withMissing));
        QCOMPARE(window.desktop.messages.size(), 1);
        QCOMPARE(window.desktop.messages[0].text,
                 QStringLiteral("Cannot open file \"%1\". No such file or directory.").arg(missing));
        QCOMPARE(window.rows(), (QStringList{"1|2|", "3|4|", "1|2|", "3|4|"}));
    }

    void save_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("comma") << ","
                               << QByteArray("\xEF\xBB\xBF"
                                             "41.01,28.97\r\n,5\r\n");
        QTest::newRow("semicolon") << ";"
                                   << QByteArray("\xEF\xBB\xBF"
                                                 "41.01;28.97\r\n;5\r\n");
    }
    void save()
    {
        QFETCH(QString, separator);
        QFETCH(QByteArray, expected);
        Window window("Turkey,41.01,28.97\r\n");
        AppListSeparator = separator.at(0);
        window.pick(QStringLiteral("Turkey"));
        QTest::mouseClick(window.form->Button1, Qt::LeftButton);
        window.add(QString(), QStringLiteral("5"));
        QCOMPARE(window.rows(), (QStringList{"41.01|28.97|Turkey", "|5|Turkey"}));

        const QString file = window.path(QStringLiteral("saved.csv"));
        QVERIFY(writeFileBytes(file, QByteArray(1000, 'o')));
        window.desktop.saveAnswers << file << file;
        QTest::mouseClick(window.form->Button4, Qt::LeftButton);
        // This program's files are UTF-8 here (marked); the comment is not saved.
        QCOMPARE(readFileBytes(file), expected);
        QVERIFY(QFile::remove(file));
        window.form->SavetoCSVFile1->trigger();
        QCOMPARE(readFileBytes(file), expected);
        QVERIFY(window.desktop.messages.isEmpty());

        QCOMPARE(window.desktop.dialogCalls.size(), 2);
        QCOMPARE(window.desktop.dialogCalls[0].kind, QStringLiteral("save"));
        QCOMPARE(window.desktop.dialogCalls[0].filter, Filter);
        QCOMPARE(window.desktop.dialogCalls[0].defaultSuffix, QStringLiteral("csv"));
        QCOMPARE(window.desktop.dialogCalls[0].start, QString());
        QCOMPARE(window.desktop.dialogCalls[1].start, file);

        // Loading what was saved gives the rows back without their comments.
        window.desktop.openAnswers << file;
        QTest::mouseClick(window.form->Button3, Qt::LeftButton);
        QCOMPARE(window.rows(), (QStringList{"41.01|28.97|Turkey", "|5|Turkey", "41.01|28.97|", "|5|"}));
    }

    void saveEmptyListAndCancel()
    {
        Window window({});
        const QString file = window.path(QStringLiteral("empty.csv"));
        QVERIFY(writeFileBytes(file, "old"));
        QTest::mouseClick(window.form->Button4, Qt::LeftButton); // cancelled
        QCOMPARE(readFileBytes(file), QByteArray("old"));
        window.desktop.saveAnswers << file;
        QTest::mouseClick(window.form->Button4, Qt::LeftButton);
        QVERIFY(QFileInfo::exists(file));
        QCOMPARE(QFileInfo(file).size(), 0);
    }

    void failedSaveShowsTheErrorBoxAndKeepsTheList()
    {
        Window window({});
        window.add(QStringLiteral("1"), QStringLiteral("2"));
        const QString file = window.path(QStringLiteral("no/folder/list.csv"));
        window.desktop.saveAnswers << file;
        QTest::mouseClick(window.form->Button4, Qt::LeftButton);
        QCOMPARE(window.desktop.messages.size(), 1);
        QCOMPARE(window.desktop.messages[0].text,
                 QStringLiteral("Cannot create file \"%1\". No such file or directory.")
                     .arg(QDir::toNativeSeparators(file)));
        QCOMPARE(window.desktop.messages[0].caption, QStringLiteral("Thermira"));
        QCOMPARE(window.rows(), QStringList{"1|2|"});
        window.form->SavetoCSVFile1->trigger();
        QCOMPARE(window.desktop.dialogCalls.last().start, file);
    }

    // The real dialogs: the filter, the suffix and the last name are passed on; the open dialog
    // takes a name that does not exist; the save dialog asks before replacing a file.
    void realOpenDialogAcceptsAMissingName()
    {
        QTemporaryDir dir;
        const QString last = dir.filePath(QStringLiteral("last.csv"));
        const QString typed = dir.filePath(QStringLiteral("not-there.csv"));
        QStringList seen;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            seen << dialog->nameFilters() << dialog->defaultSuffix() << dialog->selectedFiles().value(0)
                 << QString::number(dialog->acceptMode() == QFileDialog::AcceptOpen);
            dialog->selectFile(typed);
            static_cast<QDialog *>(dialog)->accept();
        });
        Desktop real;
        const QString chosen = real.chooseOpenFile(nullptr, Filter, QStringLiteral("csv"), last);
        QCOMPARE(seen, (QStringList{"CSV File (*.csv)", "Any File (*)", "csv", last, "1"}));
        QCOMPARE(chosen, typed);
    }

    void realSaveDialogAsksBeforeReplacing()
    {
        QTemporaryDir dir;
        const QString existing = dir.filePath(QStringLiteral("existing.csv"));
        QVERIFY(writeFileBytes(existing, "x"));
        QStringList questions;
        QFileDialog *dialog = nullptr;
        // Answers the replace question: No the first time, Yes the second.
        const auto answer = [&](QMessageBox::StandardButton button) {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            questions << box->text();
            box->button(button)->click();
        };
        QTimer::singleShot(0, this, [&] {
            dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            QCOMPARE(dialog->defaultSuffix(), QStringLiteral("csv"));
            dialog->selectFile(existing);
            QTimer::singleShot(0, this, [&] { answer(QMessageBox::No); });
            static_cast<QDialog *>(dialog)->accept();
            // Still open after No.
            QVERIFY(dialog->isVisible());
            QTimer::singleShot(0, this, [&] { answer(QMessageBox::Yes); });
            static_cast<QDialog *>(dialog)->accept();
        });
        Desktop real;
        const QString chosen = real.chooseSaveFile(nullptr, Filter, QStringLiteral("csv"), QString());
        QCOMPARE(questions.size(), 2);
        QVERIFY2(questions[0].contains(QStringLiteral("existing.csv")), qPrintable(questions[0]));
        QCOMPARE(chosen, existing);
    }
};

QTEST_MAIN(TestLocationsWindow)
#include "tst_locationswindow.moc"
