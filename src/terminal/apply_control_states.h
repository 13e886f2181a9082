// Draws what the session's state decides of the controls (session/enablement.h)
// through the control facade.
#pragma once

#include "dialogs/controls.h"
#include "session/enablement.h"

namespace zephyn {

// Writes `states` to the main window's controls and, when given, the strings
// page's. Only what differs from the facade's mirror is written. Captions
// come after every other aspect, the Open/Close caption last, so whoever
// reads the caption finds the rest of the look already in place.
void ApplyControlStates(Controls& window, Controls* stringsPage, const ControlStates& states);

}  // namespace zephyn
