#include "postal/ModYubinC.h"

namespace yubin {

ModuleState &moduleState()
{
    static ModuleState state;
    return state;
}

} // namespace yubin
