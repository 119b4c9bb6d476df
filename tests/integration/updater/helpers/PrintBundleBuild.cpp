// Prints the build number Corvane reads from the bundle it runs from. The
// tests copy this program into bundles of their making.
#include <cstdio>

#include "update/AppUpdater.h"

int main() {
    std::printf("%lld\n", static_cast<long long>(corvane::AppUpdater::bundleBuild()));
    return 0;
}
