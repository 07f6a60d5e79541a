#pragma once
// SIGTERM and SIGINT reach the UI thread through a pipe, where they close the main window the
// normal way.
#include <QObject>

class QSocketNotifier;

class UnixSignals : public QObject {
    Q_OBJECT
public:
    explicit UnixSignals(QObject *parent = nullptr);
    ~UnixSignals() override;

Q_SIGNALS:
    void terminateRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};
