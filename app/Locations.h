#pragma once
// Where the program finds its three database files. Fixed for the whole run once set.
#include <QString>

namespace ModQLNV {

// The data directory, ending in a separator, and the three files in it.
extern QString DataDir;
extern QString DataMdbPath;
extern QString WorkMdbPath;
extern QString YubinMdbPath;
// The folder that holds the postal-code component Postora and the Access reader.
extern QString LibraryDir;

struct Locations {
    QString dataDir;
    QString dataMdbPath;
    QString workMdbPath;
    QString yubinMdbPath;
    QString libraryDir;
    bool inUserFolder = false; // the user's own data folder, made and provisioned at start
};

// Where the user's data folders go: XDG_DATA_HOME (absolute, as the XDG rules want it), else
// HOME/.local/share.
struct UserPlaces {
    QString dataHome;
    QString home;
};
UserPlaces userPlaces();

// The rule that places the files. A development machine (marked by a file at a fixed
// Windows path) uses fixed development folders; every installed copy uses the folder
// "data" beside the program. On this platform the marker is never probed: callers pass
// false, and the other branch is kept for the files that came from development machines.
Locations locationsFor(const QString &programDir, bool developmentMarkerPresent);

// The rule for a program on this platform. A "data" folder beside the program (the build tree,
// a copy carried on a stick) is used as always. An installed program cannot write beside
// itself: its data goes into the user's folder quillon under the data home, and the postal
// dictionary there is used when the user has one, else the one shared by all users in
// <prefix>/share/quillon beside the program's bin folder.
Locations locationsFor(const QString &programDir, const UserPlaces &user);

// The program's own folder when Postora lies beside it, else the installed private folder
// <prefix>/lib/quillon.
QString libraryDirFor(const QString &programDir);

// Sets the globals above.
void setLocations(const Locations &locations);

} // namespace ModQLNV
