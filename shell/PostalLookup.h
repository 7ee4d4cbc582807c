#pragma once
// Running the postal-code component Postora: loaded from the program's library folder (whether
// or not it is registered), its ClsYubinC object created by class identifier, the three paths
// set, the modal search window shown and the chosen code and address read back.
#include <QString>

struct PostalLookup
{
    bool ok = false;   // the window was shown; code and address hold what was chosen
    QString code;      // empty when the user closed without choosing
    QString address;
    QString error;     // why the component could not run, for one plain message
};

PostalLookup lookUpPostalCode(const QString &libraryDir, const QString &dataMdb, const QString &workMdb,
                              const QString &yubinMdb);
