#include "platform/linux/bundle/BundleInfo.h"
#include "update/AppUpdater.h"
#include "update/BuildNumber.h"

namespace corvane {

qint64 AppUpdater::bundleBuild() {
    const auto bundle = bundle::runningBundle();
    if (!bundle) {
        return 0;
    }
    const auto version = bundle::infoString(*bundle, "CFBundleVersion");
    if (!version) {
        return 0;
    }
    return buildNumberFromBundleVersion(QString::fromStdString(*version));
}

}  // namespace corvane
