#pragma once

#include "importjob.h"
#include "importpreview.h"

#include <QDialog>

class PreviewModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;

// The import dialog: a preview of the table's first rows with the separator, header switch,
// coordinate and label columns and decimal mark it found, each changeable, and a line saying
// how many rows will be added and skipped. The whole table is read on a worker thread from
// the moment the dialog opens and after every change; "Import" takes that reading (waiting
// for it, with its progress shown, when it is not done yet). Cancel stops it.
class TImportTableForm final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TImportTableForm)

public:
    explicit TImportTableForm(ImportPreview preview, QWidget *parent = nullptr);
    ~TImportTableForm() override;

    const ImportPreview &preview() const { return m_preview; }
    // After the dialog was accepted: the rows to add.
    ImportResult takeResult();

    // Controls, public so that tests drive the real dialog.
    QComboBox *SeparatorBox = nullptr;
    QCheckBox *HeaderCheck = nullptr;
    QComboBox *DecimalMarkBox = nullptr;
    QComboBox *LatitudeBox = nullptr;
    QComboBox *LongitudeBox = nullptr;
    QComboBox *LabelBox = nullptr;
    QTableView *PreviewTable = nullptr;
    QLabel *CountLabel = nullptr;
    QProgressBar *Progress = nullptr;
    QPushButton *ImportButton = nullptr;
    QPushButton *CancelButton = nullptr;

    void ImportButtonClick();

public Q_SLOTS:
    void reject() override;

private:
    void buildLayout();
    void connectHandlers();
    // Puts the preview's layout into the controls without calling their handlers.
    void showLayout();
    // After a change: the preview and a new reading of the whole table.
    void layoutChanged();
    void readingFinished();
    void setChoicesEnabled(bool enabled);

    ImportPreview m_preview;
    PreviewModel *m_model = nullptr;
    TableImportJob m_job;
    QTimer *m_progressDelay = nullptr;
    bool m_importWhenRead = false;
    bool m_showingLayout = false;
};
