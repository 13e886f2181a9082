#include "dialogs/controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTabBar>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "dialogs/filtered_text_edit.h"
#include "dialogs/tab_control.h"
#include "dialogs/window_thread.h"

namespace zephyn {
namespace {

// The property that marks a widget whose accessible name follows its text;
// it holds the widget's purpose.
constexpr char kNamePurpose[] = "zephynNamePurpose";

void FollowText(QWidget* w, const QString& text) {
  const QVariant purpose = w->property(kNamePurpose);
  if (!purpose.isValid()) return;
  const QString prefix = purpose.toString();
  if (text.trimmed().isEmpty()) {
    w->setAccessibleName(prefix);
  } else {
    w->setAccessibleName(prefix.isEmpty() ? text : prefix + QStringLiteral(": ") + text);
  }
}

QString WidgetText(QWidget* w) {
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* e = qobject_cast<QPlainTextEdit*>(w)) return e->toPlainText();
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  return w->windowTitle();
}

void SetWidgetText(QWidget* w, const QString& text) {
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    e->setText(text);
  } else if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
    e->setPlainText(text);
  } else if (auto* c = qobject_cast<QComboBox*>(w)) {
    if (c->isEditable()) c->setEditText(text);
  } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    b->setText(text);
    b->setAccessibleName(QString(text).replace(QStringLiteral("&&"), QStringLiteral("&")));
  } else if (auto* l = qobject_cast<QLabel*>(w)) {
    l->setText(text);
  } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
    g->setTitle(text);
  } else {
    w->setWindowTitle(text);
  }
  FollowText(w, text);
}

// The positions `text` takes in a text document: CR LF is one paragraph
// break there.
int DocumentLength(QStringView text) {
  return int(text.size() - text.count(u"\r\n"));
}

// Replaces the first `frontLength` positions of the box's document with
// `front` and the last `backLength` with `back`, as one edit that keeps no
// undo history (the receive pane is edited this way for hours), and shows
// the end of the text.
void EditPlainText(QPlainTextEdit* e, int frontLength, const QString& front, int backLength,
                   const QString& back) {
  QTextDocument* document = e->document();
  if (document->isUndoRedoEnabled()) document->setUndoRedoEnabled(false);
  QTextCursor cursor(document);
  cursor.beginEditBlock();
  cursor.movePosition(QTextCursor::End);
  const int end = cursor.position();
  if (backLength > 0 || !back.isEmpty()) {
    cursor.setPosition(std::max(0, end - backLength), QTextCursor::KeepAnchor);
    cursor.insertText(back);
  }
  if (frontLength > 0 || !front.isEmpty()) {
    cursor.setPosition(0);
    cursor.setPosition(std::min(frontLength, end), QTextCursor::KeepAnchor);
    cursor.insertText(front);
  }
  cursor.endEditBlock();
  e->verticalScrollBar()->setValue(e->verticalScrollBar()->maximum());
}

QStringList WidgetItems(QWidget* w) {
  QStringList items;
  if (auto* c = qobject_cast<QComboBox*>(w)) {
    for (int i = 0; i < c->count(); ++i) items << c->itemText(i);
  } else if (auto* t = qobject_cast<TabControl*>(w)) {
    for (int i = 0; i < t->tabBar()->count(); ++i) items << t->tabBar()->tabText(i);
  }
  return items;
}

int WidgetSel(QWidget* w) {
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentIndex();
  if (auto* t = qobject_cast<TabControl*>(w)) return t->tabBar()->currentIndex();
  return -1;
}

void SetWidgetSel(QWidget* w, int index) {
  if (auto* c = qobject_cast<QComboBox*>(w)) {
    c->setCurrentIndex(index);
  } else if (auto* t = qobject_cast<TabControl*>(w)) {
    t->tabBar()->setCurrentIndex(index);
  }
}

void InsertWidgetItem(QWidget* w, int index, const QString& text) {
  if (auto* c = qobject_cast<QComboBox*>(w)) {
    c->insertItem(index, text);
  } else if (auto* t = qobject_cast<TabControl*>(w)) {
    t->tabBar()->insertTab(index, text);
  }
}

void RemoveWidgetItem(QWidget* w, int index) {
  if (auto* c = qobject_cast<QComboBox*>(w)) {
    c->removeItem(index);
  } else if (auto* t = qobject_cast<TabControl*>(w)) {
    t->tabBar()->removeTab(index);
  }
}

}  // namespace

void NameFollowsText(QWidget* widget, const QString& purpose) {
  CheckWindowThread("NameFollowsText");
  widget->setProperty(kNamePurpose, purpose);
  FollowText(widget, WidgetText(widget));
}

Controls::Controls(QObject* parent) : QObject(parent) {}

Controls::~Controls() = default;

void Controls::add(int id, QWidget* widget, bool sorted) {
  CheckWindowThread("Controls::add");
  State state;
  state.widget = widget;
  state.text = WidgetText(widget);
  if (auto* b = qobject_cast<QAbstractButton*>(widget)) state.checked = b->isChecked();
  state.enabled = !widget->testAttribute(Qt::WA_ForceDisabled);
  state.visible = !widget->isHidden();
  state.sorted = sorted;
  if (auto* c = qobject_cast<QComboBox*>(widget)) state.listOnly = !c->isEditable();
  state.plainEdit = qobject_cast<QPlainTextEdit*>(widget) != nullptr;
  state.items = WidgetItems(widget);
  state.sel = WidgetSel(widget);
  if (auto* p = qobject_cast<QProgressBar*>(widget)) {
    state.value = p->value();
    state.minimum = p->minimum();
    state.maximum = p->maximum();
  }
  {
    std::lock_guard lock(m_mutex);
    m_state[id] = state;
  }
  watchUserChanges(id, widget);
}

void Controls::watchUserChanges(int id, QWidget* widget) {
  // Changes that the user makes reach the mirror here. Changes made through
  // the facade are already in the mirror, so signals raised while the queue is
  // being applied are passed over: they may show intermediate states.
  auto record = [this, id](const std::function<void(State&)>& change) {
    if (m_draining) return;
    std::lock_guard lock(m_mutex);
    auto it = m_state.find(id);
    if (it != m_state.end()) change(it->second);
  };
  if (auto* e = qobject_cast<QLineEdit*>(widget)) {
    connect(e, &QLineEdit::textChanged, this,
            [record](const QString& t) { record([&](State& s) { s.text = t; }); });
  } else if (auto* e = qobject_cast<QPlainTextEdit*>(widget)) {
    connect(e, &QPlainTextEdit::textChanged, this, [this, record, e] {
      // Copying the whole text out is not free (the receive pane holds up
      // to 300,000 characters): only a user's edit needs it.
      if (m_draining) return;
      const QString t = e->toPlainText();
      record([&](State& s) { s.text = t; });
    });
  } else if (auto* c = qobject_cast<QComboBox*>(widget)) {
    connect(c, &QComboBox::currentIndexChanged, this, [record, c](int index) {
      const QString t = c->currentText();
      record([&](State& s) {
        s.sel = index;
        s.text = t;
      });
    });
    if (c->isEditable()) {
      connect(c, &QComboBox::editTextChanged, this,
              [record](const QString& t) { record([&](State& s) { s.text = t; }); });
    }
  } else if (auto* b = qobject_cast<QAbstractButton*>(widget)) {
    // A click, a key and an assistive tool's toggle all end in `toggled`,
    // while `clicked` misses the last; a change the facade applies is the
    // program's own and raises nothing.
    connect(b, &QAbstractButton::toggled, this, [this, id, record](bool on) {
      if (m_draining) return;
      record([&](State& s) { s.checked = on; });
      emit userToggled(id, on);
    });
  } else if (auto* t = qobject_cast<TabControl*>(widget)) {
    connect(t->tabBar(), &QTabBar::currentChanged, this,
            [record](int index) { record([&](State& s) { s.sel = index; }); });
  }
}

void Controls::onUserToggled(int id, QObject* context, std::function<void(bool)> handler) {
  CheckWindowThread("Controls::onUserToggled");
  connect(this, &Controls::userToggled, context,
          [id, handler = std::move(handler)](int changed, bool on) {
            if (changed == id) handler(on);
          });
}

void Controls::setTextFilter(int id, TextFilter filter) {
  CheckWindowThread("Controls::setTextFilter");
  QWidget* widget = nullptr;
  {
    std::lock_guard lock(m_mutex);
    auto it = m_state.find(id);
    if (it == m_state.end()) return;
    it->second.filter = filter;
    widget = it->second.widget;
  }
  // The box drops at once what it holds and may not keep; its change
  // reaches the mirror as a user's edit would.
  if (auto* e = qobject_cast<FilteredTextEdit*>(widget)) e->setFilter(std::move(filter));
}

QString Controls::filtered(int id, const QString& text) const {
  TextFilter filter;
  {
    std::lock_guard lock(m_mutex);
    auto it = m_state.find(id);
    if (it == m_state.end() || !it->second.filter) return text;
    filter = it->second.filter;
  }
  return filter(text);
}

bool Controls::has(int id) const {
  std::lock_guard lock(m_mutex);
  return m_state.count(id) != 0;
}

QWidget* Controls::widget(int id) const {
  CheckWindowThread("Controls::widget");
  std::lock_guard lock(m_mutex);
  auto it = m_state.find(id);
  return it == m_state.end() ? nullptr : it->second.widget.data();
}

template <typename T, typename Read>
T Controls::read(int id, Read reader, T fallback) const {
  std::lock_guard lock(m_mutex);
  auto it = m_state.find(id);
  return it == m_state.end() ? fallback : reader(it->second);
}

QString Controls::text(int id) const {
  return read(
      id, [](const State& s) { return s.text; }, QString());
}
bool Controls::checked(int id) const {
  return read(
      id, [](const State& s) { return s.checked; }, false);
}
bool Controls::enabled(int id) const {
  return read(
      id, [](const State& s) { return s.enabled; }, false);
}
bool Controls::visible(int id) const {
  return read(
      id, [](const State& s) { return s.visible; }, false);
}
int Controls::curSel(int id) const {
  return read(
      id, [](const State& s) { return s.sel; }, -1);
}
int Controls::count(int id) const {
  return read(
      id, [](const State& s) { return int(s.items.size()); }, 0);
}
QString Controls::itemText(int id, int index) const {
  return read(
      id,
      [index](const State& s) {
        return index >= 0 && index < s.items.size() ? s.items[index] : QString();
      },
      QString());
}
int Controls::value(int id) const {
  return read(
      id, [](const State& s) { return s.value; }, 0);
}

void Controls::update(int id, const std::function<Apply(State&)>& change) {
  {
    std::lock_guard lock(m_mutex);
    auto it = m_state.find(id);
    if (it == m_state.end()) return;
    Apply apply = change(it->second);
    if (!apply) return;
    QPointer<QWidget> target = it->second.widget;
    pushLocked({[target, apply = std::move(apply)] {
                  if (target) apply(target.data());
                },
                false});
  }
  if (IsWindowThread()) drain();
}

void Controls::pushLocked(Item item) {
  m_queue.push_back(std::move(item));
  // Off the window's thread one drain is posted for any number of updates;
  // on it the caller drains at once.
  if (!IsWindowThread() && !m_drainPosted) {
    m_drainPosted = true;
    QMetaObject::invokeMethod(this, &Controls::drain, Qt::QueuedConnection);
  }
}

void Controls::drain() {
  CheckWindowThread("Controls::drain");
  // A handler run by an update may itself update a control: the loop below
  // picks that up after the current update, keeping the order.
  if (m_draining) return;
  m_draining = true;
  for (;;) {
    Item item;
    {
      std::lock_guard lock(m_mutex);
      if (m_queue.empty()) {
        m_drainPosted = false;
        break;
      }
      item = std::move(m_queue.front());
      m_queue.pop_front();
      if (item.posted) {
        // A posted task may run a nested event loop (a message box left
        // open for hours). The updates queued behind it get a drain of their
        // own, which that loop runs, so the window stays live behind the box
        // and the queue does not grow.
        m_drainPosted = true;
        QMetaObject::invokeMethod(this, &Controls::drain, Qt::QueuedConnection);
      }
    }
    if (item.posted) {
      // Outside the update guard, so that the task's own signals reach the
      // mirror like a user's actions would.
      m_draining = false;
      item.task();
      m_draining = true;
    } else {
      item.task();
    }
  }
  m_draining = false;
}

void Controls::post(std::function<void()> task) {
  {
    std::lock_guard lock(m_mutex);
    pushLocked({std::move(task), true});
  }
  if (IsWindowThread()) drain();
}

void Controls::setText(int id, const QString& given) {
  const QString text = filtered(id, given);
  update(id, [&](State& s) -> Apply {
    if (s.listOnly) {
      // The mirror never holds a text the list does not show.
      const int entry = int(s.items.indexOf(text));
      if (entry < 0) return {};
      s.sel = entry;
      s.text = text;
      return [entry](QWidget* w) {
        CheckWindowThread("Controls::setText");
        SetWidgetSel(w, entry);
      };
    }
    s.text = text;
    const std::uint64_t serial = ++s.textSerial;
    s.lastSetSerial = serial;
    return [this, id, text, serial](QWidget* w) {
      CheckWindowThread("Controls::setText");
      {
        // A newer text for this control is further down the queue.
        std::lock_guard lock(m_mutex);
        auto it = m_state.find(id);
        if (it != m_state.end() && it->second.lastSetSerial != serial) return;
      }
      SetWidgetText(w, text);
    };
  });
}

void Controls::editText(int id, int removeFront, const QString& givenFront, int removeBack,
                        const QString& givenBack) {
  const QString front = filtered(id, givenFront);
  const QString back = filtered(id, givenBack);
  update(id, [&](State& s) -> Apply {
    const int length = int(s.text.size());
    removeBack = std::clamp(removeBack, 0, length);
    removeFront = std::clamp(removeFront, 0, length - removeBack);
    const int backLength = DocumentLength(QStringView(s.text).right(removeBack));
    const int frontLength = DocumentLength(QStringView(s.text).left(removeFront));
    s.text.chop(removeBack);
    s.text.append(back);
    s.text.remove(0, removeFront);
    s.text.prepend(front);
    const std::uint64_t serial = ++s.textSerial;
    // Other controls take the whole text.
    const QString whole = s.plainEdit ? QString() : s.text;
    return [this, id, serial, frontLength, front, backLength, back, whole](QWidget* w) {
      CheckWindowThread("Controls::editText");
      {
        // A newer setText replaces the text this edit applies to.
        std::lock_guard lock(m_mutex);
        auto it = m_state.find(id);
        if (it != m_state.end() && it->second.lastSetSerial > serial) return;
      }
      if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
        EditPlainText(e, frontLength, front, backLength, back);
      } else {
        SetWidgetText(w, whole);
      }
    };
  });
}

void Controls::setChecked(int id, bool checked) {
  update(id, [&](State& s) -> Apply {
    s.checked = checked;
    return [checked](QWidget* w) {
      CheckWindowThread("Controls::setChecked");
      if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setChecked(checked);
    };
  });
}

void Controls::setEnabled(int id, bool enabled) {
  update(id, [&](State& s) -> Apply {
    s.enabled = enabled;
    return [enabled](QWidget* w) {
      CheckWindowThread("Controls::setEnabled");
      w->setEnabled(enabled);
    };
  });
}

void Controls::setVisible(int id, bool visible) {
  update(id, [&](State& s) -> Apply {
    s.visible = visible;
    return [visible](QWidget* w) {
      CheckWindowThread("Controls::setVisible");
      w->setVisible(visible);
    };
  });
}

void Controls::setCurSel(int id, int index) {
  update(id, [&](State& s) -> Apply {
    s.sel = index >= 0 && index < s.items.size() ? index : -1;
    s.text = s.sel >= 0 ? s.items[s.sel] : QString();
    return [sel = s.sel](QWidget* w) {
      CheckWindowThread("Controls::setCurSel");
      SetWidgetSel(w, sel);
    };
  });
}

int Controls::addItem(int id, const QString& text) {
  int index = -1;
  update(id, [&](State& s) -> Apply {
    index = int(s.items.size());
    if (s.sorted) {
      for (int i = 0; i < s.items.size(); ++i) {
        if (QString::localeAwareCompare(s.items[i], text) > 0) {
          index = i;
          break;
        }
      }
    }
    return insertInto(s, index, text);
  });
  return index;
}

void Controls::insertItem(int id, int index, const QString& text) {
  update(id, [&](State& s) -> Apply {
    return insertInto(s, std::clamp(index, 0, int(s.items.size())), text);
  });
}

Controls::Apply Controls::insertInto(State& s, int at, const QString& text) {
  s.items.insert(at, text);
  if (s.sel >= at) ++s.sel;
  return [at, text, sel = s.sel](QWidget* w) {
    CheckWindowThread("Controls::insertItem");
    // The widget would select the first entry added to an empty list; the
    // list keeps the selection it had instead.
    InsertWidgetItem(w, at, text);
    SetWidgetSel(w, sel);
  };
}

void Controls::removeItem(int id, int index) {
  update(id, [&](State& s) -> Apply {
    if (index < 0 || index >= s.items.size()) return {};
    s.items.removeAt(index);
    if (s.sel == index) {
      s.sel = -1;
      s.text = QString();
    } else if (s.sel > index) {
      --s.sel;
    }
    return [index, sel = s.sel](QWidget* w) {
      CheckWindowThread("Controls::removeItem");
      RemoveWidgetItem(w, index);
      SetWidgetSel(w, sel);
    };
  });
}

void Controls::resetContent(int id) {
  update(id, [](State& s) -> Apply {
    s.items.clear();
    s.sel = -1;
    s.text = QString();
    return [](QWidget* w) {
      CheckWindowThread("Controls::resetContent");
      if (auto* c = qobject_cast<QComboBox*>(w)) {
        c->clear();
      } else if (auto* t = qobject_cast<TabControl*>(w)) {
        while (t->tabBar()->count() > 0) t->tabBar()->removeTab(0);
      }
    };
  });
}

void Controls::setValue(int id, int value) {
  update(id, [&](State& s) -> Apply {
    s.value = std::clamp(value, s.minimum, std::max(s.minimum, s.maximum));
    return [value = s.value](QWidget* w) {
      CheckWindowThread("Controls::setValue");
      if (auto* p = qobject_cast<QProgressBar*>(w)) p->setValue(value);
    };
  });
}

void Controls::setRange(int id, int minimum, int maximum) {
  update(id, [&](State& s) -> Apply {
    s.minimum = minimum;
    s.maximum = maximum;
    s.value = std::clamp(s.value, minimum, std::max(minimum, maximum));
    return [minimum, maximum](QWidget* w) {
      CheckWindowThread("Controls::setRange");
      if (auto* p = qobject_cast<QProgressBar*>(w)) p->setRange(minimum, maximum);
    };
  });
}

}  // namespace zephyn
