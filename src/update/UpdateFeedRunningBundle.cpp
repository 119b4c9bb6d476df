#include "platform/linux/bundle/BundleInfo.h"
#include "update/UpdateFeed.h"

namespace corvane {

std::optional<QUrl> UpdateFeed::remoteFeedURL() {
    static const std::optional<QUrl> url = [] {
        const auto bundle = bundle::runningBundle();
        if (!bundle) {
            return std::optional<QUrl>();
        }
        const auto value = bundle::infoString(*bundle, "CorvaneFeedURL");
        return feedURLFromBundleValue(value ? std::optional<QString>(QString::fromStdString(*value))
                                            : std::nullopt);
    }();
    return url;
}

}  // namespace corvane
