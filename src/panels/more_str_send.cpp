#include "panels/more_str_send.h"

#include <QScrollBar>
#include <QStyle>

#include "common/text_ids.h"
#include "dialogs/dialog_builder.h"
#include "dialogs/gbk_string.h"
#include "resources/control_ids.h"
#include "resources/dialog_template.h"

namespace zephyn {

CMoreStrSend::CMoreStrSend(Language language, QWidget* parent)
    : QWidget(parent),
      m_content(new QWidget(this)),
      m_scrollBar(new QScrollBar(Qt::Vertical, this)) {
  setObjectName(QStringLiteral("134"));
  setAccessibleName(Text(TextId::kStringsPageTitle));
  m_content->setObjectName(QStringLiteral("134content"));
  BuildDialog(Template134(language), language, m_content, m_controls);
  setFont(m_content->font());
  m_scrollBar->setObjectName(QStringLiteral("134scroll"));
  m_scrollBar->setAccessibleName(language == Language::ZhCN ? QStringLiteral("滚动条")
                                                            : QStringLiteral("Scroll bar"));
  m_scrollBar->setSingleStep(1);
  m_scrollBar->setPageStep(200);
  // TODO(multi-string): the page's own scroll rules replace this plain mapping.
  connect(m_scrollBar, &QScrollBar::valueChanged, this,
          [this](int position) { m_content->move(0, -position); });
}

void CMoreStrSend::InitPanel() {
  for (int ms = 10; ms <= 90; ms += 10)
    m_controls.addItem(StringsPageIds::kCycleInterval, QString::number(ms));
  for (int ms = 100; ms <= 1000; ms += 100)
    m_controls.addItem(StringsPageIds::kCycleInterval, QString::number(ms));
  m_controls.setCurSel(StringsPageIds::kCycleInterval, 9);
  m_scrollBar->setRange(0, 1500);
}

void CMoreStrSend::StopCycle() {
  // TODO(multi-string): kill the cycle's timer.
  m_cycleTimer = 0;
}

void CMoreStrSend::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int barWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  m_scrollBar->setGeometry(width() - barWidth, 0, barWidth, height());
}

}  // namespace zephyn
