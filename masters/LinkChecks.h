#pragma once
// What an import from a linked application's file needs before anything is read: the
// application named in the settings, its file named, and the file there.
#include <QString>

namespace masters {

// True when the import can go on; otherwise the user has been told what is missing.
// missingItem names the file in the not-found notice ("顧客リンク参照").
bool linkReady(const QString &application, const QString &path, const QString &missingItem);


} // namespace masters
