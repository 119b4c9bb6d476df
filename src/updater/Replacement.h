#pragma once

#include "updater/Arguments.h"
#include "updater/ProcessControl.h"

namespace corvane::updater {

// Checks the staged bundle and the launcher, stops the running application,
// puts the staged bundle in place of the installed one (which becomes a
// timestamped backup) and starts it through `launcher`. A new version that
// cannot start, or ends within 5 seconds, is rolled back: the backup goes
// back in place, the build is recorded as failed beside the backups, and
// the previous version starts again. Every failure is thrown as Failure;
// backups are never deleted.
void replaceApplication(const Arguments& arguments, const Launcher& launcher);

}  // namespace corvane::updater
