#include "timporttableform.h"

#include "importtexts.h"
#include "previewmodel.h"
#include "desktop/designfont.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// A reading shorter than this shows no progress bar: it would only flicker.
constexpr int ProgressDelayMs = 250;

struct SeparatorItem
{
    const char *name;
    char separator;
};
constexpr SeparatorItem SeparatorItems[] = {
    {"Comma", ','}, {"Semicolon", ';'}, {"Tab", '\t'}, {"Vertical bar", '|'}};

QComboBox *choiceBox(QWidget *parent, const char *name)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    box->setMinimumContentsLength(10);
    return box;
}

void selectData(QComboBox *box, const QVariant &value)
{
    box->setCurrentIndex(std::max(0, box->findData(value)));
}

} // namespace

TImportTableForm::TImportTableForm(ImportPreview preview, QWidget *parent)
    : QDialog(parent), m_preview(std::move(preview))
{
    setWindowTitle(QStringLiteral("Import Table"));
    setFont(designFont(11));
    m_model = new PreviewModel(m_preview, this);
    m_progressDelay = new QTimer(this);
    m_progressDelay->setSingleShot(true);
    m_progressDelay->setInterval(ProgressDelayMs);
    buildLayout();
    connectHandlers();
    showLayout();
    layoutChanged();
}

TImportTableForm::~TImportTableForm() = default;

void TImportTableForm::buildLayout()
{
    auto *outer = new QVBoxLayout(this);

    auto *choices = new QGridLayout;
    choices->setHorizontalSpacing(8);
    SeparatorBox = choiceBox(this, "SeparatorBox");
    for (const SeparatorItem &item : SeparatorItems)
        SeparatorBox->addItem(QString::fromLatin1(item.name), int(item.separator));
    // Made in the order of the rows, which is the keyboard's order too.
    DecimalMarkBox = choiceBox(this, "DecimalMarkBox");
    DecimalMarkBox->addItem(QStringLiteral("Point (41.0082)"), int(DecimalMark::Point));
    DecimalMarkBox->addItem(QStringLiteral("Comma (41,0082)"), int(DecimalMark::Comma));
    HeaderCheck = new QCheckBox(QStringLiteral("First row holds column names"), this);
    HeaderCheck->setObjectName(QStringLiteral("HeaderCheck"));
    LatitudeBox = choiceBox(this, "LatitudeBox");
    LongitudeBox = choiceBox(this, "LongitudeBox");
    LabelBox = choiceBox(this, "LabelBox");

    const auto labelled = [this](const QString &text, QWidget *control) {
        auto *label = new QLabel(text, this);
        label->setBuddy(control);
        return label;
    };
    choices->addWidget(labelled(QStringLiteral("Separator:"), SeparatorBox), 0, 0);
    choices->addWidget(SeparatorBox, 0, 1);
    choices->addWidget(labelled(QStringLiteral("Decimal mark:"), DecimalMarkBox), 0, 2);
    choices->addWidget(DecimalMarkBox, 0, 3);
    choices->addWidget(HeaderCheck, 0, 4, 1, 2);
    choices->addWidget(labelled(QStringLiteral("Latitude:"), LatitudeBox), 1, 0);
    choices->addWidget(LatitudeBox, 1, 1);
    choices->addWidget(labelled(QStringLiteral("Longitude:"), LongitudeBox), 1, 2);
    choices->addWidget(LongitudeBox, 1, 3);
    choices->addWidget(labelled(QStringLiteral("Label:"), LabelBox), 1, 4);
    choices->addWidget(LabelBox, 1, 5);
    choices->setColumnStretch(6, 1);
    outer->addLayout(choices);

    PreviewTable = new QTableView(this);
    PreviewTable->setObjectName(QStringLiteral("PreviewTable"));
    PreviewTable->setModel(m_model);
    PreviewTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    PreviewTable->setSelectionMode(QAbstractItemView::NoSelection);
    PreviewTable->setWordWrap(false);
    PreviewTable->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    PreviewTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    PreviewTable->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 4);
    outer->addWidget(PreviewTable, 1);

    auto *status = new QHBoxLayout;
    CountLabel = new QLabel(this);
    CountLabel->setObjectName(QStringLiteral("CountLabel"));
    CountLabel->setWordWrap(true);
    CountLabel->setTextFormat(Qt::PlainText);
    status->addWidget(CountLabel, 1);
    Progress = new QProgressBar(this);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setRange(0, TableImportJob::ProgressRange);
    Progress->setTextVisible(false);
    Progress->setFixedWidth(160);
    // The line keeps its height whether the bar shows or not: the preview must not jump.
    QSizePolicy policy = Progress->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    Progress->setSizePolicy(policy);
    Progress->hide();
    status->addWidget(Progress);
    outer->addLayout(status);

    auto *buttons = new QDialogButtonBox(this);
    ImportButton = buttons->addButton(QStringLiteral("Import"), QDialogButtonBox::AcceptRole);
    ImportButton->setObjectName(QStringLiteral("ImportButton"));
    ImportButton->setDefault(true);
    CancelButton = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    outer->addWidget(buttons);

    resize(640, 420);
}

void TImportTableForm::connectHandlers()
{
    const auto onChange = [this](QComboBox *box, auto apply) {
        connect(box, &QComboBox::currentIndexChanged, this, [this, box, apply] {
            if (m_showingLayout)
                return;
            apply(box->currentData().toInt());
            showLayout();
            layoutChanged();
        });
    };
    onChange(SeparatorBox, [this](int value) { m_preview.setSeparator(char(value)); });
    onChange(DecimalMarkBox, [this](int value) { m_preview.setDecimalMark(DecimalMark(value)); });
    onChange(LatitudeBox, [this](int value) { m_preview.setLatitudeColumn(value); });
    onChange(LongitudeBox, [this](int value) { m_preview.setLongitudeColumn(value); });
    onChange(LabelBox, [this](int value) { m_preview.setLabelColumn(value); });
    connect(HeaderCheck, &QCheckBox::toggled, this, [this](bool checked) {
        if (m_showingLayout)
            return;
        m_preview.setHasHeader(checked);
        showLayout();
        layoutChanged();
    });
    connect(ImportButton, &QPushButton::clicked, this, &TImportTableForm::ImportButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TImportTableForm::reject);
    connect(&m_job, &TableImportJob::progressChanged, Progress, &QProgressBar::setValue);
    connect(&m_job, &TableImportJob::finished, this, &TImportTableForm::readingFinished);
    connect(m_progressDelay, &QTimer::timeout, Progress, &QWidget::show);
}

void TImportTableForm::showLayout()
{
    const QScopedValueRollback guard(m_showingLayout, true);
    const TableLayout &layout = m_preview.layout();
    selectData(SeparatorBox, int(layout.separator));
    selectData(DecimalMarkBox, int(layout.decimalMark));
    HeaderCheck->setChecked(layout.hasHeader);
    for (QComboBox *box : {LatitudeBox, LongitudeBox, LabelBox}) {
        box->clear();
        box->addItem(QStringLiteral("(none)"), TableLayout::NoColumn);
        for (int column = 0; column < m_preview.columnCount(); ++column)
            box->addItem(QStringLiteral("%1: %2").arg(column + 1).arg(m_preview.columnName(column)), column);
    }
    selectData(LatitudeBox, layout.latitudeColumn);
    selectData(LongitudeBox, layout.longitudeColumn);
    selectData(LabelBox, layout.labelColumn);
    m_model->refresh();
    PreviewTable->resizeColumnsToContents();
}

void TImportTableForm::layoutChanged()
{
    if (!m_preview.layout().hasCoordinates()) {
        m_job.cancel();
        m_progressDelay->stop();
        Progress->hide();
        CountLabel->setText(QStringLiteral("Choose the latitude and longitude columns."));
        ImportButton->setEnabled(false);
        return;
    }
    CountLabel->setText(QStringLiteral("Counting rows..."));
    ImportButton->setEnabled(true);
    Progress->setValue(0);
    m_progressDelay->start();
    m_job.start(m_preview.source(), m_preview.layout());
}

void TImportTableForm::readingFinished()
{
    m_progressDelay->stop();
    Progress->hide();
    if (!m_job.result()) {
        m_importWhenRead = false;
        setChoicesEnabled(true);
        CountLabel->setText(m_job.error());
        ImportButton->setEnabled(false);
        return;
    }
    CountLabel->setText(importCountLine(*m_job.result()));
    ImportButton->setEnabled(m_job.result()->added() > 0);
    if (m_importWhenRead)
        accept();
}

void TImportTableForm::ImportButtonClick()
{
    if (m_job.result()) {
        accept();
        return;
    }
    // Still reading: wait for it with the choices locked; Cancel stops it.
    m_importWhenRead = true;
    setChoicesEnabled(false);
    ImportButton->setEnabled(false);
    CountLabel->setText(QStringLiteral("Importing..."));
    m_progressDelay->stop();
    Progress->show();
}

void TImportTableForm::setChoicesEnabled(bool enabled)
{
    for (QWidget *control : std::initializer_list<QWidget *>{SeparatorBox, HeaderCheck, DecimalMarkBox, LatitudeBox,
                                                             LongitudeBox, LabelBox})
        control->setEnabled(enabled);
}

void TImportTableForm::reject()
{
    m_job.cancel();
    QDialog::reject();
}

ImportResult TImportTableForm::takeResult()
{
    std::optional<ImportResult> result = m_job.takeResult();
    return result ? std::move(*result) : ImportResult();
}
