// How the main window's controls follow a change of its client size: each
// control ID has one anchor, which says which of its edges move with the
// right edge (by dx) and which with the bottom edge (by dy).
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

namespace zephyn {

enum class Anchor {
  Fixed,               // stays where it is
  TopRight,            // moves right by dx
  BottomRight,         // moves by (dx, dy)
  BottomLeft,          // moves down by dy
  Stretch,             // grows by dx and dy
  BottomStretchWidth,  // moves down by dy and grows by dx
  RightStretchHeight,  // moves right by dx and grows by dy
};

// The anchor of a control of the main window; Fixed for an ID the table
// does not hold.
Anchor AnchorOf(int id);

// The rectangle moved and stretched by its anchor. Each edge moves by exactly
// dx or dy, so a change and its reverse give the rectangle back.
QRect Anchored(const QRect& rect, Anchor anchor, int dx, int dy);

// A control as the layout placed it last. The rectangle is kept here rather
// than read back from the widget: a widget cannot be narrower than nothing,
// so one squeezed below zero width would otherwise come back wider than it
// left and drift.
struct LaidOutControl {
  QWidget* widget;
  Anchor anchor;
  QRect rect;
};

// The window's layout bookkeeping, taken at start-up and after every layout
// pass: where each control was placed last, the client size of that pass,
// and the link zones of the web address label and the banner.
class WindowLayout {
 public:
  // Takes `controls` as they stand in a client area of size `client`.
  void Take(std::vector<LaidOutControl> controls, QSize client);
  // Moves and stretches every control by its anchor by the change of the
  // client size since the last pass. False, moving nothing, while no
  // controls were taken (size events that come while the window is built).
  bool Follow(QSize client);
  // The link zones: where the two widgets stand now (a missing one keeps
  // its zone).
  void TakeLinkZones(const QWidget* linkText, const QWidget* banner);
  // Whether `point` lies strictly inside a link zone.
  bool OverLink(const QPoint& point) const;

 private:
  std::vector<LaidOutControl> m_controls;  // empty until the controls exist
  QSize m_lastClient;
  QRect m_linkTextRect;
  QRect m_bannerRect;
};

}  // namespace zephyn
