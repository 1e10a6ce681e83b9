// One file action carried out from start to end, as the update does it in many steps.
#pragma once

#include "states/FileInstaller.h"

namespace Testing {

// start, copyMore and commitStep until the action is over, then the folders' flush.
inline Kestrel::InstallResult installWhole(Kestrel::FileInstaller &installer,
                                           const Kestrel::FileAction &action,
                                           Cobalt::IO::ZIPPackage *package) {
    std::optional<Kestrel::InstallResult> result = installer.start(action, package);
    while (!result && installer.copying())
        result = installer.copyMore();
    while (!result && installer.hasWaiting())
        result = installer.commitStep();
    // A failed move leaves its copy first in line; a single action gives up on it.
    installer.discardWaiting();
    while (installer.flushNextFolder()) {
    }
    return *result;
}

} // namespace Testing
