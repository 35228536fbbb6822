#include "importjob.h"

#include "platform/errors.h"

#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

TableImportJob::TableImportJob(QObject *parent) : QObject(parent) {}

TableImportJob::~TableImportJob()
{
    cancel();
}

void TableImportJob::cancel()
{
    if (m_watcher) {
        // The run stops at its next progress step; nothing of it is reported any more.
        m_watcher->disconnect(this);
        m_watcher->cancel();
        m_watcher->deleteLater();
        m_watcher = nullptr;
    }
    m_running = false;
}

void TableImportJob::start(const TableSource &source, const TableLayout &layout)
{
    cancel();
    m_result.reset();
    m_error.clear();
    m_running = true;
    m_watcher = new QFutureWatcher<Outcome>(this);
    connect(m_watcher, &QFutureWatcher<Outcome>::progressValueChanged, this, &TableImportJob::progressChanged);
    connect(m_watcher, &QFutureWatcher<Outcome>::finished, this, &TableImportJob::onFinished);
    m_watcher->setFuture(QtConcurrent::run([source, layout](QPromise<Outcome> &promise) {
        promise.setProgressRange(0, ProgressRange);
        Outcome outcome;
        try {
            const QByteArray text = source.readText();
            const qint64 total = std::max<qint64>(text.size(), 1);
            outcome.result = importTable(text, layout, [&](qint64 done) {
                promise.setProgressValue(int(done * ProgressRange / total));
                return !promise.isCanceled();
            });
        } catch (const ThermiraError &error) {
            outcome.error = error.message();
        } catch (const std::exception &error) {
            outcome.error = QString::fromLocal8Bit(error.what());
        }
        if (outcome.result || !outcome.error.isEmpty())
            promise.addResult(std::move(outcome));
    }));
}

void TableImportJob::onFinished()
{
    QFutureWatcher<Outcome> *watcher = std::exchange(m_watcher, nullptr);
    m_running = false;
    if (watcher->future().resultCount() > 0) {
        Outcome outcome = watcher->future().takeResult();
        m_result = std::move(outcome.result);
        m_error = std::move(outcome.error);
    }
    watcher->deleteLater();
    Q_EMIT finished();
}
