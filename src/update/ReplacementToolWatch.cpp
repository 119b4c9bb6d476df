#include "update/ReplacementToolWatch.h"

namespace corvane {

ReplacementToolWatch::ReplacementToolWatch(process::Child child, QObject* parent)
    : QObject(parent), child_(std::move(child)) {
    if (!child_.pidfd.valid()) {
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(child_.pidfd.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        if (const auto status = process::collectChild(child_.pid)) {
            notifier_->setEnabled(false);
            emit ended(*status);
        }
    });
}

}  // namespace corvane
