#include "platform/mutter/MutterDisplayChangeMonitor.h"

namespace corvane {

using namespace mutter;

namespace {

std::optional<DisplayConfigState> readState(const DisplayConfigClient& client) {
    std::variant<DisplayConfigState, CallFailure> state = client.currentState();
    if (DisplayConfigState* read = std::get_if<DisplayConfigState>(&state)) {
        return std::move(*read);
    }
    return std::nullopt;
}

}  // namespace

MutterDisplayChangeMonitor::MutterDisplayChangeMonitor(QDBusConnection connection, QObject* parent)
    : QObject(parent), client_(connection) {
    quiet_.setSingleShot(true);
    quiet_.setInterval(kQuietPeriod);
    connect(&quiet_, &QTimer::timeout, this, &MutterDisplayChangeMonitor::compare);
    connected_ =
        connection.connect(kDisplayConfigService, kDisplayConfigPath, kDisplayConfigInterface,
                           QStringLiteral("MonitorsChanged"), this, SLOT(noteSignal()));
    known_ = readState(client_);
}

void MutterDisplayChangeMonitor::beginOwnChange() {
    ++ownChanges_;
}

void MutterDisplayChangeMonitor::endOwnChange() {
    if (ownChanges_ > 0 && --ownChanges_ == 0) {
        known_ = readState(client_);
    }
}

void MutterDisplayChangeMonitor::noteSignal() {
    quiet_.start();
}

void MutterDisplayChangeMonitor::compare() {
    if (ownChanges_ > 0) {
        return;
    }
    std::optional<DisplayConfigState> state = readState(client_);
    const bool changed =
        state ? !known_ || !sameConfiguration(*known_, *state) : known_.has_value();
    known_ = std::move(state);
    if (changed) {
        emit displaysChanged();
    }
}

}  // namespace corvane
