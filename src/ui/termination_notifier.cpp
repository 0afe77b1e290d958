// The termination signals on the GUI thread.
#include "ui/termination_notifier.h"

#include <QSocketNotifier>

namespace vellora::ui {

TerminationNotifier::TerminationNotifier(QObject* parent) : QObject(parent) {
  if (!channel_.Valid()) return;
  notifier_ = new QSocketNotifier(channel_.Descriptor(), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    while (int sig = channel_.Take()) emit terminationRequested(sig);
  });
}

}  // namespace vellora::ui
