#include "views/DragState.h"

namespace Orvanta {

DragState& DragState::Instance() {
    static DragState state;
    return state;
}

} // namespace Orvanta
