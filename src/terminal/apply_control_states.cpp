#include "terminal/apply_control_states.h"

#include "dialogs/gbk_string.h"

namespace zephyn {

namespace {

void ApplyLook(Controls& controls, int id, const ControlState& state) {
  if (state.enabled && controls.enabled(id) != *state.enabled)
    controls.setEnabled(id, *state.enabled);
  if (state.visible && controls.visible(id) != *state.visible)
    controls.setVisible(id, *state.visible);
  if (state.checked && controls.checked(id) != *state.checked)
    controls.setChecked(id, *state.checked);
}

void ApplyCaption(Controls& controls, int id, const ControlState& state) {
  if (!state.caption) return;
  const QString caption = Text(*state.caption);
  if (controls.text(id) != caption) controls.setText(id, caption);
}

}  // namespace

void ApplyControlStates(Controls& window, Controls* stringsPage, const ControlStates& states) {
  auto facade = [&](Dialog dialog) { return dialog == Dialog::Main ? &window : stringsPage; };
  for (const GovernedControl& control : states.controls)
    if (Controls* controls = facade(control.key.dialog))
      ApplyLook(*controls, control.key.id, control.state);
  // The list ends with the Open/Close button: its caption is written last.
  for (const GovernedControl& control : states.controls)
    if (Controls* controls = facade(control.key.dialog))
      ApplyCaption(*controls, control.key.id, control.state);
}

}  // namespace zephyn
