#pragma once
// Pick-only combo boxes: the value comes from the list and nothing else. A plain
// non-editable QComboBox still jumps to the item whose text starts with a typed character
// (also from the input method and inside the open list); that is switched off here, so a
// stray keystroke never changes a setting. Arrow keys, Page keys, F4, Alt+Down and Space
// still move through and open the list.
class QComboBox;

namespace settings {

void makePickOnly(QComboBox *combo);

} // namespace settings
