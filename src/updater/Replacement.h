#pragma once

#include "updater/Arguments.h"
#include "updater/ProcessControl.h"

namespace corvane::updater {

// Stops the running application, moves the installed bundle into a
// timestamped backup, moves the staged bundle into its place and starts it
// through `launcher`. When the move into place or the start fails, the new
// bundle is removed and the backup moved back before the failure is thrown.
// Backups are never deleted.
void replaceApplication(const Arguments& arguments, const Launcher& launcher);

}  // namespace corvane::updater
