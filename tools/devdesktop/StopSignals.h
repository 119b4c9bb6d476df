#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>
#include <vector>

namespace corvane::devdesktop {

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the main thread.
//
// The handler only writes the signal's number to a pipe whose read end a
// socket notifier watches, so nothing but an async-signal-safe write runs
// inside it. The signals are caught, never blocked: a blocked mask would be
// inherited by the X server and the tray host started from this process,
// which are themselves stopped with SIGTERM.
//
// SIGINT and SIGHUP stay ignored when the process started with them
// ignored, as a shell's background job does. One instance per process: it
// owns the dispositions of the signals it catches while it lives and
// restores the defaults when it goes.
class StopSignals : public QObject {
    Q_OBJECT

  public:
    StopSignals();
    ~StopSignals() override;

    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The last stop signal received so far, 0 for none. Works before the
    // event loop runs, so that a long start-up can give up early.
    int received();

  signals:
    void arrived(int signalNumber);

  private:
    // Reads what the handler wrote; true when a new signal came in.
    bool drain();

    std::vector<int> caught_;
    int readEnd_ = -1;
    int received_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace corvane::devdesktop
