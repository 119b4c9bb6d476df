#include "update/ReplacementToolWatch.h"

namespace corvane {

ReplacementToolWatch::ReplacementToolWatch(process::Child child, QObject* parent)
    : QObject(parent),
      child_(std::move(child)),
      notifier_(child_.pidfd.get(), QSocketNotifier::Read) {
    notifier_.setEnabled(child_.pidfd.valid());
    connect(&notifier_, &QSocketNotifier::activated, this, [this] {
        if (const auto status = process::collectChild(child_.pid)) {
            notifier_.setEnabled(false);
            emit ended(*status);
        }
    });
}

}  // namespace corvane
