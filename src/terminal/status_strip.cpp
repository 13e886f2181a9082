#include "terminal/status_strip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QToolButton>

#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "resources/control_ids.h"

namespace zephyn {

using namespace MainIds;

namespace {

// The marks' looks: lit green, plainly framed, struck through behind a
// dashed frame, or faint. A focused button's frame shows the focus.
QString MarkStyle(MarkLook look) {
  QString style;
  switch (look) {
    case MarkLook::On:
      style = QStringLiteral("color: white; background: #2e7d32; border: 1px solid #1b5e20;");
      break;
    case MarkLook::Off:
      style = QStringLiteral("color: palette(text); border: 1px solid #9e9e9e;");
      break;
    case MarkLook::Unavailable:
      style = QStringLiteral(
          "color: #9e9e9e; text-decoration: line-through; border: 1px dashed #bdbdbd;");
      break;
    case MarkLook::Unknown:
      style = QStringLiteral("color: #9e9e9e; border: 1px solid transparent;");
      break;
  }
  return QStringLiteral(
             "QLabel, QToolButton { %1 border-radius: 3px; padding: 0px 3px; }"
             " QToolButton:focus { border: 2px solid palette(highlight); }")
      .arg(style);
}

// A label for a text of any length (a port's or a file's path): it takes
// its whole width when the strip has room and gives way down to a few
// characters when not, shortened in the middle; its tooltip and accessible
// name keep the whole text.
class ElidedLabel : public QLabel {
 public:
  using QLabel::QLabel;
  QSize minimumSizeHint() const override {
    return QSize(fontMetrics().averageCharWidth() * 8, QLabel::minimumSizeHint().height());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRect room = contentsRect();
    painter.drawText(room, int(alignment()),
                     fontMetrics().elidedText(text(), Qt::ElideMiddle, room.width()));
  }
};

QLabel* AddLabel(QHBoxLayout* row, int id, int stretch = 0, bool elided = false) {
  QWidget* strip = row->parentWidget();
  QLabel* label = elided ? new ElidedLabel(strip) : new QLabel(strip);
  label->setObjectName(QString::number(id));
  row->addWidget(label, stretch);
  return label;
}

}  // namespace

StatusStrip::StatusStrip(Language language, SetLine setLine, QWidget* parent)
    : QFrame(parent), m_setLine(std::move(setLine)) {
  setObjectName(QString::number(kStatusStrip));
  setAccessibleName(Text(TextId::kStripName, language));
  setFrameShape(QFrame::StyledPanel);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(6, 2, 6, 2);
  row->setSpacing(6);
  m_port = AddLabel(row, kStripPort, 0, true);
  m_line = AddLabel(row, kStripLine);
  row->addSpacing(6);
  for (int i = 0; i < kModemLineCount; ++i) {
    const int id = kStripFirstMark + i;
    if (i == int(ModemLine::Dtr) || i == int(ModemLine::Rts)) {
      auto* button = new QToolButton(this);
      button->setObjectName(QString::number(id));
      button->setFocusPolicy(Qt::TabFocus);
      connect(button, &QToolButton::clicked, this, [this, i] {
        const StripMark& mark = m_drawn.marks[std::size_t(i)];
        if (mark.offered && m_setLine) m_setLine(ModemLine(i), !mark.on);
      });
      m_marks[std::size_t(i)] = button;
      row->addWidget(button);
    } else {
      m_marks[std::size_t(i)] = AddLabel(row, id);
    }
  }
  row->addSpacing(6);
  m_log = AddLabel(row, kStripLog, 1, true);
  m_log->hide();
  row->addStretch(1);
  m_capture = AddLabel(row, kStripCapture);
  m_capture->setText(QString::fromStdString(CaptureText(0, language)));
  Draw(StripTextsOf(SessionState{}, language));
}

void StatusStrip::GrowParentBelow() {
  QWidget* window = parentWidget();
  const int height = sizeHint().height();
  setGeometry(0, window->height(), window->width(), height);
  window->resize(window->width(), window->height() + height);
}

void StatusStrip::Draw(const StripTexts& texts) {
  const bool all = !m_everDrawn;
  m_everDrawn = true;
  if (all || texts.port != m_drawn.port) {
    const QString port = QString::fromStdString(texts.port);
    m_port->setText(port);
    m_port->setAccessibleName(port);
    m_port->setToolTip(port);
  }
  if (all || texts.line != m_drawn.line || texts.lineName != m_drawn.lineName) {
    m_line->setText(QString::fromStdString(texts.line));
    m_line->setAccessibleName(QString::fromStdString(texts.lineName));
  }
  if (all || texts.log != m_drawn.log) {
    const QString log = QString::fromStdString(texts.log);
    m_log->setText(log);
    m_log->setAccessibleName(log);
    m_log->setToolTip(log);
    m_log->setVisible(!texts.log.empty());
  }
  for (int i = 0; i < kModemLineCount; ++i) {
    const StripMark& mark = texts.marks[std::size_t(i)];
    const StripMark& was = m_drawn.marks[std::size_t(i)];
    if (all || mark.look != was.look || mark.offered != was.offered || mark.name != was.name ||
        mark.tip != was.tip || mark.label != was.label)
      DrawMark(i, mark);
  }
  m_drawn = texts;
}

void StatusStrip::DrawMark(int index, const StripMark& mark) {
  QWidget* widget = m_marks[std::size_t(index)];
  const QString label = QString::fromStdString(mark.label);
  if (auto* button = qobject_cast<QToolButton*>(widget)) {
    button->setText(label);
    // A line that is not offered takes no click, key or press.
    button->setEnabled(mark.offered);
  } else if (auto* text = qobject_cast<QLabel*>(widget)) {
    text->setText(label);
  }
  widget->setStyleSheet(MarkStyle(mark.look));
  widget->setAccessibleName(QString::fromStdString(mark.name));
  widget->setAccessibleDescription(QString::fromStdString(mark.tip));
  widget->setToolTip(QString::fromStdString(mark.tip));
}

}  // namespace zephyn
