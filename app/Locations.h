#pragma once
// Where the program finds its three database files. Fixed for the whole run once set.
#include <QString>

namespace ModQLNV {

// The data directory, ending in a separator, and the three files in it.
extern QString DataDir;
extern QString DataMdbPath;
extern QString WorkMdbPath;
extern QString YubinMdbPath;

struct Locations {
    QString dataDir;
    QString dataMdbPath;
    QString workMdbPath;
    QString yubinMdbPath;
};

// The rule that places the files. A development machine (marked by a file at a fixed
// Windows path) uses fixed development folders; every installed copy uses the folder
// "data" beside the program. On this platform the marker is never probed: callers pass
// false, and the other branch is kept for the files that came from development machines.
Locations locationsFor(const QString &programDir, bool developmentMarkerPresent);

// Sets the globals above.
void setLocations(const Locations &locations);

} // namespace ModQLNV
