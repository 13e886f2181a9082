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

// The template font at the template's point size: DejaVu Sans, whose Latin
// letters are as wide against the full width of Chinese characters (which
// come from the installed CJK font) as the templates' sizes need, then the
// desktop's own sans-serif face where DejaVu Sans is missing.
QFont TemplateFont(int pointSize);

// Dialog units of a font: horizontal px = du x avgCharWidth / 4 and vertical
// px = du x charHeight / 8, where avgCharWidth is the advance of "A..Za..z"
// divided by 52.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  // Widens the horizontal unit to at least `avgCharWidth` / 4 pixels.
  void Widen(double avgCharWidth);
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
// ID in `controls`; the horizontal unit is at least `minAvgCharWidth` / 4
// pixels. Returns the conversion it used.
DialogUnits BuildDialog(const DialogTemplate& dialog, Language language, QWidget* parent,
                        Controls& controls, double minAvgCharWidth = 0);

// Whether the template of `language` holds the control.
bool InLanguage(const ControlTemplate& control, Language language);

}  // namespace zephyn
