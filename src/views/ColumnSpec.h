#pragma once

#include "views/SELVColumn.h"

namespace Orvanta {

enum ColumnKind : int {
    kNumberColumn = 0,   // the slot number, shown from 1
    kNameColumn = 1,     // the element's name with its mark
    kWaveformColumn = 2, // a picture of the wave's sound, no text
};

// One column of a parameter list: its title, what it shows and its descriptor.
struct ColumnSpec {
    const char* title;
    int columnKind;
    SELVColumn descriptor;
};

} // namespace Orvanta
