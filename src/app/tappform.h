#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>

class LocationListModel;
class TableSource;
struct ImportResult;
struct TableOverrides;
class QAction;
class QComboBox;
class QDropEvent;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class QTableView;
class QTimer;

// The main window and the home of every user command. Its handlers are split by concern:
// this file's .cpp builds the window and holds the shell commands; tappform_locations.cpp the
// list, picker and location files; tappform_export.cpp the heatmap export; tappform_update.cpp
// the update check hook; tappform_windows.cpp the feedback and About windows;
// tappform_import.cpp importing tables from files and the clipboard.
class TAppForm final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TAppForm)

public:
    // programFile: the executable whose version record and neighbouring files (countries.dat,
    // leaflet/) the window uses; tests pass a copy placed in a folder of their own.
    explicit TAppForm(const QString &programFile, QWidget *parent = nullptr);
    ~TAppForm() override;

    const QString &programFolder() const { return m_programFolder; }
    LocationListModel *locations() const { return m_locations; }
    const QString &lastExportFolder() const { return LastExportFolder; }

    // Loads each file as "Load Location List..." does after its dialog, each as a command of its
    // own: a file that cannot be read is reported in the error box and the others still load.
    // For the files named on the command line and the files dropped on the window.
    void loadLocationFiles(const QStringList &paths);
    // Imports each file as a table with the columns found (or those given), as the import
    // dialog's "Import" would, each as a command of its own. For the tables named on the
    // command line.
    void importTableFiles(const QStringList &paths, const TableOverrides &overrides);

    // Controls, named as in the window's layout; public so that tests drive the real window.
    QGroupBox *GroupBox1 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QLineEdit *Edit2 = nullptr;
    QPushButton *Button1 = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QPushButton *Button3 = nullptr;
    QPushButton *Button4 = nullptr;
    QTableView *ListView1 = nullptr;
    QWidget *Panel1 = nullptr;
    QPushButton *Button2 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *Delete1 = nullptr;
    QAction *SelectAll1 = nullptr;
    QAction *Paste1 = nullptr;
    QAction *LoadfromCSVFile1 = nullptr;
    QAction *SavetoCSVFile1 = nullptr;
    QAction *ImportTable1 = nullptr;
    QAction *CreateWorldHeatmap1 = nullptr;
    QAction *Exit1 = nullptr;
    QAction *AddLocation1 = nullptr;
    QAction *LocationList1 = nullptr;
    QAction *Help2 = nullptr;
    QAction *UpdateNotifications1 = nullptr;
    QAction *UpdateNotificationsBar = nullptr;
    QAction *SendFeedback1 = nullptr;
    QAction *About1 = nullptr;
    QTimer *TimerChecker = nullptr;

    // Handlers; each runs as one user command through runCommand().
    void FormCreate();
    void FormShow();
    void Button1Click();
    void ComboBox1Change();
    void Delete1Click();
    void SelectAll1Click();
    void Button3Click();
    void Button4Click();
    void Button2Click();
    void KlasorSecildi(const QString &hedefklasor);
    void LoadfromCSVFile1Click();
    void SavetoCSVFile1Click();
    void CreateWorldHeatmap1Click();
    void Exit1Click();
    void AddLocation1Click();
    void LocationList1Click();
    void Help2Click();
    void SendFeedback1Click();
    void About1Click();
    void TimerCheckerTimer();
    void UpdateNotifications1Click();
    void ImportTable1Click();
    void Paste1Click();

protected:
    void showEvent(QShowEvent *event) override;
    // Local files dropped anywhere on the window load like "Load Location List..."; folders,
    // remote addresses and other drops get the no-drop cursor.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void buildMenus();
    void connectHandlers();
    void addImportCommands(QMenu *fileMenu);
    void importTable(const TableSource &source);
    void appendImported(ImportResult result, const QString &tableName);
    void loadLocationFile(const QString &path);

    QString m_programFile;
    QString m_programFolder;
    LocationListModel *m_locations = nullptr;
    // The open and save dialogs offer their last file name again.
    QString m_lastOpenFile;
    QString m_lastSaveFile;
    QString m_lastImportFile;
    QString LastExportFolder;
    bool m_shownOnce = false;
};
