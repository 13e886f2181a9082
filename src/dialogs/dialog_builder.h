// Turns a dialog template into widgets: every control of the template's
// language, placed by converting dialog units to pixels with the template's
// font, named by its control ID and registered with the dialog's Controls.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

#include "common/texts.h"
#include "resources/dialog_template.h"

class QWidget;

namespace zephyn {

class Controls;

// The template font: the application's sans-serif interface font at the
// template's point size.
QFont TemplateFont(int pointSize);

// Dialog units of a font: horizontal px = du x avgCharWidth / 4 and vertical
// px = du x charHeight / 8, where avgCharWidth is the advance of "A..Za..z"
// divided by 52.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  int toX(int du) const;
  int toY(int du) const;
  QRect toRect(int x, int y, int width, int height) const;
  QSize toSize(int width, int height) const;

 private:
  double m_avgCharWidth;
  double m_charHeight;
};

// Creates the template's controls as children of `parent` (whose font and
// client size are set from the template) and registers each control with an
// ID in `controls`. Returns the conversion it used.
DialogUnits BuildDialog(const DialogTemplate& dialog, Language language, QWidget* parent,
                        Controls& controls);

// Whether the template of `language` holds the control.
bool InLanguage(const ControlTemplate& control, Language language);

}  // namespace zephyn
