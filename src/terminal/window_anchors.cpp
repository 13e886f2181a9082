#include "terminal/window_anchors.h"

#include "resources/control_ids.h"

namespace zephyn {

using namespace MainIds;

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

}  // namespace zephyn
