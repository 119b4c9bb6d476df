#include "update/AppUpdater.h"

#include "update/UniqueFolders.h"
#include "update/UpdateFeed.h"

namespace corvane {

namespace {

QList<QUrl> chooseUpdateDirectories(const AppUpdater::Parameters& parameters) {
    if (parameters.updateDirectories) {
        return *parameters.updateDirectories;
    }
    if (parameters.updatesDirectory) {
        return {*parameters.updatesDirectory};
    }
    return UpdateFeed::candidateDirectories();
}

}  // namespace

AppUpdater::AppUpdater(Parameters parameters)
    : appBundleURL_(parameters.appBundleURL),
      currentBuild_(parameters.currentBuild ? *parameters.currentBuild : bundleBuild()),
      remoteFeedURL_(parameters.remoteFeedURL),
      updateDirectories_(unique(chooseUpdateDirectories(parameters))),
      applicationSupportDirectory_(parameters.applicationSupportDirectory) {}

}  // namespace corvane
