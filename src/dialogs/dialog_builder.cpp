#include "dialogs/dialog_builder.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "dialogs/controls.h"
#include "dialogs/filtered_text_edit.h"
#include "dialogs/popup_combo_box.h"
#include "dialogs/tab_control.h"
#include "dialogs/window_thread.h"
#include "resources/accessible_names.h"

namespace zephyn {
namespace {

Qt::Alignment TextAlignment(std::uint32_t style) {
  if (style & kAlignCenter) return Qt::AlignHCenter | Qt::AlignTop;
  if (style & kAlignRight) return Qt::AlignRight | Qt::AlignTop;
  return Qt::AlignLeft | Qt::AlignTop;
}

// Check boxes as the window system makes them: the templates leave the
// caption the room that its box and 3-pixel gap leave (the toolkit's wider
// gap would take it from the caption), and a click anywhere in the control
// toggles it, not only one on the box or the text.
class CheckBoxStyle final : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_CheckBoxLabelSpacing) return 3;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
  QRect subElementRect(SubElement element, const QStyleOption* option,
                       const QWidget* widget) const override {
    if (element == SE_CheckBoxClickRect) return option->rect;
    return QProxyStyle::subElementRect(element, option, widget);
  }
};

QStyle* CheckBoxStyle() {
  // One for the application, going with it.
  static QPointer<QStyle> style;
  if (style.isNull()) {
    style = new class CheckBoxStyle;
    style->setParent(qApp);
  }
  return style;
}

QWidget* MakePicture(const ControlTemplate& c, QWidget* parent, QSize size) {
  auto* label = new QLabel(parent);
  QPixmap pixmap(QString::fromUtf8(c.image != nullptr ? c.image : ""));
  // A centred picture keeps its own size; one larger than its place is scaled
  // down to fit rather than cut.
  if (!pixmap.isNull() && (pixmap.width() > size.width() || pixmap.height() > size.height()))
    pixmap = pixmap.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  label->setPixmap(pixmap);
  label->setAlignment(Qt::AlignCenter);
  if (c.style & kTransparent) label->setAttribute(Qt::WA_TranslucentBackground);
  return label;
}

QWidget* MakeEdit(const ControlTemplate& c, QWidget* parent) {
  if (c.style & kMultiline) {
    auto* edit = new FilteredTextEdit(parent);
    edit->setReadOnly(c.style & kReadOnly);
    edit->setVerticalScrollBarPolicy((c.style & kVScroll) ? Qt::ScrollBarAsNeeded
                                                          : Qt::ScrollBarAlwaysOff);
    edit->setTabChangesFocus(true);
    if (!(c.style & kBorder)) edit->setFrameShape(QFrame::NoFrame);
    return edit;
  }
  auto* edit = new QLineEdit(parent);
  edit->setReadOnly(c.style & kReadOnly);
  if (c.style & kPassword) edit->setEchoMode(QLineEdit::Password);
  if (!(c.style & (kBorder | kStaticEdge))) edit->setFrame(false);
  return edit;
}

QWidget* MakeRichEdit(const ControlTemplate& c, QWidget* parent) {
  auto* pane = new QPlainTextEdit(parent);
  pane->setReadOnly(c.style & kReadOnly);
  pane->setUndoRedoEnabled(false);
  pane->setVerticalScrollBarPolicy((c.style & kVScrollAlways) ? Qt::ScrollBarAlwaysOn
                                                              : Qt::ScrollBarAsNeeded);
  pane->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  return pane;
}

QWidget* MakeControl(const ControlTemplate& c, const QString& caption, QWidget* parent,
                     QRect rect) {
  switch (c.kind) {
    case ControlKind::Label: {
      auto* label = new QLabel(caption, parent);
      label->setAlignment(TextAlignment(c.style));
      label->setTextFormat(Qt::PlainText);
      return label;
    }
    case ControlKind::GroupBox:
      return new QGroupBox(caption, parent);
    case ControlKind::PushButton: {
      auto* button = new QPushButton(caption, parent);
      button->setDefault(c.style & kDefault);
      return button;
    }
    case ControlKind::CheckBox: {
      auto* check = new QCheckBox(caption, parent);
      check->setStyle(CheckBoxStyle());
      return check;
    }
    case ControlKind::Edit:
      return MakeEdit(c, parent);
    case ControlKind::RichEdit:
      return MakeRichEdit(c, parent);
    case ControlKind::ComboList:
    case ControlKind::ComboEdit: {
      auto* combo = new PopupComboBox(parent);
      if (c.kind == ControlKind::ComboEdit) {
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
      }
      return combo;
    }
    case ControlKind::Tab:
      return new TabControl(parent);
    case ControlKind::Progress: {
      auto* bar = new QProgressBar(parent);
      bar->setTextVisible(false);
      bar->setValue(0);
      return bar;
    }
    case ControlKind::Picture:
      return MakePicture(c, parent, rect.size());
  }
  return new QWidget(parent);
}

}  // namespace

QFont TemplateFont(int pointSize) {
  // The desktop's face alone would make the layout depend on the locale: in
  // a Chinese session it is a CJK face whose narrow Latin letters give small
  // dialog units, and the Chinese captions no longer fit their controls.
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setFamilies({QStringLiteral("DejaVu Sans"), font.family()});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(pointSize);
  return font;
}

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetricsF metrics(font);
  m_avgCharWidth = metrics.horizontalAdvance(
                       QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                   52.0;
  m_charHeight = QFontMetrics(font).height();
}

void DialogUnits::Widen(double avgCharWidth) {
  m_avgCharWidth = std::max(m_avgCharWidth, avgCharWidth);
}

int DialogUnits::toX(int du) const {
  return int(std::lround(du * m_avgCharWidth / 4.0));
}
int DialogUnits::toY(int du) const {
  return int(std::lround(du * m_charHeight / 8.0));
}

QRect DialogUnits::toRect(int x, int y, int width, int height) const {
  // Both edges are converted, so neighbouring controls stay edge to edge.
  const int left = toX(x), top = toY(y);
  return QRect(left, top, toX(x + width) - left, toY(y + height) - top);
}

QSize DialogUnits::toSize(int width, int height) const {
  return QSize(toX(width), toY(height));
}

bool InLanguage(const ControlTemplate& control, Language language) {
  return (control.languages & (language == Language::ZhCN ? kZhOnly : kEnOnly)) != 0;
}

DialogUnits BuildDialog(const DialogTemplate& dialog, Language language, QWidget* parent,
                        Controls& controls, double minAvgCharWidth) {
  CheckWindowThread("BuildDialog");
  const bool zh = language == Language::ZhCN;
  parent->setFont(TemplateFont(dialog.fontPointSize));
  DialogUnits units(parent->font());
  units.Widen(minAvgCharWidth);
  parent->resize(units.toSize(dialog.width, dialog.height));
  if (!dialog.childPage)
    parent->setWindowTitle(QString::fromStdString(zh ? dialog.captionZh : dialog.captionEn));

  int staticIndex = 0;
  for (const ControlTemplate& c : dialog.controls) {
    if (!InLanguage(c, language)) continue;
    const QString caption = QString::fromStdString(zh ? c.captionZh : c.captionEn);
    QRect rect = units.toRect(c.x, c.y, c.width, c.height);
    QWidget* w = MakeControl(c, caption, parent, rect);
    if (c.kind == ControlKind::ComboList || c.kind == ControlKind::ComboEdit) {
      // The template's height is that of the dropped-down list; the closed box
      // is as tall as its font needs.
      const int closed = std::min(rect.height(), w->sizeHint().height());
      auto* combo = static_cast<QComboBox*>(w);
      const int itemHeight = std::max(1, combo->fontMetrics().height() + 2);
      combo->setMaxVisibleItems(std::max(1, (rect.height() - closed) / itemHeight));
      rect.setHeight(closed);
    }
    w->setGeometry(rect);
    w->setObjectName(c.id == kStaticId ? QStringLiteral("static%1").arg(staticIndex++)
                                       : QString::number(c.id));
    const QString purpose = QString::fromStdString(ControlPurpose(dialog.id, c.id, language));
    // Labels and the read-only counters show what the program writes into
    // them: their names follow the text, after their purpose if they have one.
    const bool shows =
        c.kind == ControlKind::Label ||
        (c.kind == ControlKind::Edit && (c.style & kDisabled) && !(c.style & kMultiline));
    if (shows) {
      NameFollowsText(w, purpose);
    } else {
      QString name = QString(caption).replace(QStringLiteral("&&"), QStringLiteral("&"));
      if (name.trimmed().isEmpty() || !purpose.isEmpty()) name = purpose;
      w->setAccessibleName(name);
    }
    // Labels, pictures and frames take no mouse input: it goes to the window
    // under them.
    if (c.kind == ControlKind::Label || c.kind == ControlKind::Picture ||
        c.kind == ControlKind::GroupBox)
      w->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (c.style & kDisabled) w->setEnabled(false);
    if (c.style & kHidden) w->setVisible(false);
    if (c.id != kStaticId) controls.add(c.id, w, (c.style & kSorted) != 0);
  }
  return units;
}

}  // namespace zephyn
