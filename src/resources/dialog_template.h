// Dialog templates as tables: every control of a window with its ID, kind,
// style, captions in both languages and position in dialog units. One builder
// (dialogs/dialog_builder.h) turns a table into widgets, so a window's look is
// data that can be read and checked against its description.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/texts.h"

namespace zephyn {

enum class ControlKind {
  Label,     // static text
  GroupBox,  // frame, optionally with a title
  PushButton,
  CheckBox,   // automatic check box
  Edit,       // single- or multi-line edit (see kMultiline)
  RichEdit,   // the receive pane: read-only plain-text view
  ComboList,  // drop-down list, not editable
  ComboEdit,  // drop-down with an editable text
  Tab,        // tab control hosting child pages
  Progress,
  Picture,  // bitmap from the compiled-in resources
};

// Style flags of a control, after the window toolkit's own.
enum ControlStyle : std::uint32_t {
  kHidden = 1u << 0,
  kDisabled = 1u << 1,
  kDefault = 1u << 2,  // default push button: takes Return aimed at the dialog
  kMultiline = 1u << 3,
  kWantReturn = 1u << 4,  // Return makes a line break in a multi-line edit
  kVScroll = 1u << 5,
  kBorder = 1u << 6,
  kReadOnly = 1u << 7,
  kPassword = 1u << 8,
  kAutoHScroll = 1u << 9,
  kAlignRight = 1u << 10,
  kAlignCenter = 1u << 11,
  kSorted = 1u << 12,  // combo box keeps its entries in collation order
  kStaticEdge = 1u << 13,
  kNotify = 1u << 14,
  kTransparent = 1u << 15,
  kSmooth = 1u << 16,
  kVScrollAlways = 1u << 17,
};

// Which language's template holds a control.
enum TemplateLanguages : std::uint8_t { kZhOnly = 1, kEnOnly = 2, kBothLanguages = 3 };

// The ID that controls without one share (the toolkit's static ID).
inline constexpr int kStaticId = -1;

struct ControlTemplate {
  int id;
  ControlKind kind;
  std::uint32_t style;
  std::string captionZh;  // UTF-8; empty for none
  std::string captionEn;
  int x, y, width, height;      // dialog units
  const char* image = nullptr;  // resource path of a picture
  std::uint8_t languages = kBothLanguages;
};

struct DialogTemplate {
  int id;
  std::string captionZh;
  std::string captionEn;
  int fontPointSize;
  int width, height;  // dialog units
  bool childPage;     // a page inside another window, not a top-level dialog
  bool resizable;
  bool vscroll;  // the page has its own vertical scroll bar
  std::vector<ControlTemplate> controls;
};

// The template of a window in a language.
const DialogTemplate& Template102(Language language);  // main window
const DialogTemplate& Template133();                   // AT command page
const DialogTemplate& Template134(Language language);  // multi-string page
const DialogTemplate& Template155(Language language);  // advanced settings
const DialogTemplate& Template157(Language language);  // password

// The control of a template with an ID, or nullptr.
const ControlTemplate* FindControl(const DialogTemplate& dialog, int id);

}  // namespace zephyn
