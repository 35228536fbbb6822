#pragma once

#include "tableimport.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <optional>

// Runs a whole import on a worker thread, so that the window stays responsive for tables of
// millions of rows. A new start cancels the run before; only the last run reports.
class TableImportJob final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TableImportJob)

public:
    static constexpr int ProgressRange = 1000;

    explicit TableImportJob(QObject *parent = nullptr);
    ~TableImportJob() override;

    void start(const TableSource &source, const TableLayout &layout);
    void cancel();

    bool isRunning() const { return m_running; }
    // After finished(): the result, or the error that stopped the reading.
    const std::optional<ImportResult> &result() const { return m_result; }
    std::optional<ImportResult> takeResult() { return std::exchange(m_result, std::nullopt); }
    const QString &error() const { return m_error; }

Q_SIGNALS:
    void progressChanged(int value); // 0 to ProgressRange
    void finished();

private:
    struct Outcome
    {
        std::optional<ImportResult> result;
        QString error;
    };
    void onFinished();

    QFutureWatcher<Outcome> *m_watcher = nullptr;
    std::optional<ImportResult> m_result;
    QString m_error;
    bool m_running = false;
};
