#include "terminal/window_anchors.h"

#include <QWidget>

#include "resources/control_ids.h"

namespace zephyn {

using namespace MainIds;

namespace {

// The window system's edges: the right and bottom edges lie just outside
// the rectangle, and a point on any edge is outside the zone.
bool InsideZone(const QRect& zone, const QPoint& point) {
  return zone.x() < point.x() && point.x() < zone.x() + zone.width() && zone.y() < point.y() &&
         point.y() < zone.y() + zone.height();
}

}  // namespace

Anchor AnchorOf(int id) {
  switch (id) {
    case kBanner:
    case kHexView:
    case kEcho:
    case kTabsPlaceholder:
      return Anchor::TopRight;
    case kMakerFrame:
    case kAccountCaption:
    case kMakerName:
    case kWebAddress:
    case kQrCode:
    case kOpenClose:
    case kSave:
    case kClear:
    case kSend:
    case kHexInput:
    case kTiming:
    case kInterval:
    case kNewLine:
    case kReplyMode:
    case kSendFile:
    case kStopSend:
    case kPercent:
    case kAbout:
    case kAdvanced:
    case kDeveloperOption:
      return Anchor::BottomRight;
    case kPortCaption:
    case kBaudCaption:
    case kFlowCaption:
    case kPortList:
    case kBaudRate:
    case kFlowControl:
    case kChooseFile:
      return Anchor::BottomLeft;
    case kReceivePane:
      return Anchor::Stretch;
    case kInput:
    case kFileLabel:
    case kProgress:
    case kStatusStrip:
      return Anchor::BottomStretchWidth;
    case kTabs:
      return Anchor::RightStretchHeight;
    default:
      return Anchor::Fixed;
  }
}

QRect Anchored(const QRect& rect, Anchor anchor, int dx, int dy) {
  // Edges as the window system counts them: right and bottom just outside.
  int left = rect.x(), top = rect.y();
  int right = left + rect.width(), bottom = top + rect.height();
  switch (anchor) {
    case Anchor::Fixed:
      break;
    case Anchor::TopRight:
      left += dx;
      right += dx;
      break;
    case Anchor::BottomRight:
      left += dx;
      right += dx;
      top += dy;
      bottom += dy;
      break;
    case Anchor::BottomLeft:
      top += dy;
      bottom += dy;
      break;
    case Anchor::Stretch:
      right += dx;
      bottom += dy;
      break;
    case Anchor::BottomStretchWidth:
      top += dy;
      right += dx;
      bottom += dy;
      break;
    case Anchor::RightStretchHeight:
      left += dx;
      right += dx;
      bottom += dy;
      break;
  }
  return QRect(left, top, right - left, bottom - top);
}

void WindowLayout::Take(std::vector<LaidOutControl> controls, QSize client) {
  m_controls = std::move(controls);
  m_lastClient = client;
}

bool WindowLayout::Follow(QSize client) {
  if (m_controls.empty()) return false;
  const int dx = client.width() - m_lastClient.width();
  const int dy = client.height() - m_lastClient.height();
  for (LaidOutControl& control : m_controls) {
    control.rect = Anchored(control.rect, control.anchor, dx, dy);
    control.widget->setGeometry(
        QRect(control.rect.topLeft(), control.rect.size().expandedTo(QSize(0, 0))));
  }
  m_lastClient = client;
  return true;
}

void WindowLayout::TakeLinkZones(const QWidget* linkText, const QWidget* banner) {
  if (linkText != nullptr) m_linkTextRect = linkText->geometry();
  if (banner != nullptr) m_bannerRect = banner->geometry();
}

bool WindowLayout::OverLink(const QPoint& point) const {
  return InsideZone(m_linkTextRect, point) || InsideZone(m_bannerRect, point);
}

}  // namespace zephyn
