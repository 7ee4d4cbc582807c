#include "print/BandedLayout.h"

namespace report {

Control *Section::find(QStringView name)
{
    for (Control &c : controls)
        if (c.name == name)
            return &c;
    return nullptr;
}

const Control *Section::find(QStringView name) const
{
    return const_cast<Section *>(this)->find(name);
}

} // namespace report
