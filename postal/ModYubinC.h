#pragma once
// The state of the postal-code component shared by every ClsYubinC object in the process, for
// as long as the library is loaded: the three paths copied by FormShow, the result of the last
// search window, and the flag that lets the window ignore one change of the prefecture list.
#include "postal/YubinSearch.h"

#include <QString>

namespace yubin {

struct ModuleState
{
    YubinPaths paths;
    QString resultCode;      // the postal code chosen with "選択"; empty after "閉じる"
    QString resultAddress;   // the address chosen with it
    bool suppressPrefectureChange = false;
};

ModuleState &moduleState();

} // namespace yubin
