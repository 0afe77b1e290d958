// The termination signals (SIGINT, SIGTERM) as a Qt signal on the GUI thread, so that
// `kill` ends the program as File -> Exit does: the window closes, writes its
// rectangle and waits for the engine to stop. main() blocks the signals in every
// thread before anything else starts.
#pragma once

#include <QObject>

#include "platform/termination_channel.h"

class QSocketNotifier;

namespace vellora::ui {

class TerminationNotifier : public QObject {
  Q_OBJECT

 public:
  explicit TerminationNotifier(QObject* parent = nullptr);
  bool Valid() const { return channel_.Valid(); }

 signals:
  void terminationRequested(int signal);

 private:
  platform::TerminationChannel channel_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace vellora::ui
