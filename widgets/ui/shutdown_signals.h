#pragma once

#include <QObject>

class QSocketNotifier;

namespace tv {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal in the GUI thread, so that the
// program can end the normal way (settings and lists saved) when it is asked to
// end by the system. Create one, in the GUI thread, early in main.
class ShutdownSignals : public QObject {
    Q_OBJECT
  public:
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

  signals:
    void ShutdownRequested(int signalNumber);

  private:
    void ReadSignal();
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tv
