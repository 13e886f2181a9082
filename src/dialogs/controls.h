// The control facade of one dialog: its controls by ID, callable from any
// thread. Every call records the new state at once in a thread-safe mirror,
// so a worker reads back what it has just set, and queues the widget update
// for the window's thread; updates reach the widgets in the order they were
// made, whichever thread made them. On the window's thread the queue is
// drained before the call returns. Reads always come from the mirror, and
// user actions on the widgets update the mirror too. No widget is ever
// touched off the window's thread. A text that a newer one replaces before
// it reached its widget is skipped: a label set by every received block, or
// the receive pane rebuilt faster than the window can show it, costs the
// window's thread one update, not a backlog.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <unordered_map>

namespace zephyn {

// Makes the accessible name of `widget` (a label or a counter whose text
// the program rewrites) follow its text: `purpose` and the text, or the
// text alone when there is no purpose; the name is set now and again at
// every setText of the facade, whoever calls it. Window thread.
void NameFollowsText(QWidget* widget, const QString& purpose);

class Controls : public QObject {
  Q_OBJECT

 public:
  explicit Controls(QObject* parent = nullptr);
  ~Controls() override;

  // Window thread: makes `widget` the control `id` and takes its current
  // state into the mirror. `sorted` combo boxes keep entries in collation order.
  void add(int id, QWidget* widget, bool sorted = false);
  bool has(int id) const;
  // Window thread only.
  QWidget* widget(int id) const;

  // Any thread. A list-only combo box shows only its entries: setting its
  // text selects the entry of that text, and a text no entry holds changes
  // nothing.
  QString text(int id) const;
  void setText(int id, const QString& text);
  // Replaces the first `removeFront` characters of the text with `front` and
  // the last `removeBack` with `back` (the two parts must not overlap). A
  // multi-line box is edited in place, so a long text is not laid out again
  // whole, and then shows the end of its text. Neither cut may fall between
  // a CR and its LF.
  void editText(int id, int removeFront, const QString& front, int removeBack,
                const QString& back);
  bool checked(int id) const;
  void setChecked(int id, bool checked);
  bool enabled(int id) const;
  void setEnabled(int id, bool enabled);
  bool visible(int id) const;  // the control's own flag, not its parents'
  void setVisible(int id, bool visible);

  // What a text control may hold: the characters of a text that it keeps,
  // in order. Window thread: installs `filter` for control `id`; setText and
  // editText pass their texts through it, and a FilteredTextEdit applies it
  // to whatever else changes its text (keys, paste, drop, input method, an
  // assistive tool). The filter runs on any thread without the facade's lock.
  using TextFilter = std::function<QString(const QString&)>;
  void setTextFilter(int id, TextFilter filter);

  // Window thread: runs `handler` with the new state after every change
  // of check box `id` that the user makes, whether by mouse, keyboard or
  // an assistive tool's toggle or press; the mirror already holds the new
  // state. The program's own changes (setChecked) run none. The connection
  // lasts as long as `context`.
  void onUserToggled(int id, QObject* context, std::function<void(bool)> handler);

  // Combo boxes and the tab control: entries and selection (-1: none).
  // Adding or removing entries keeps "no selection" as it is.
  int curSel(int id) const;
  void setCurSel(int id, int index);
  int count(int id) const;
  QString itemText(int id, int index) const;
  int addItem(int id, const QString& text);  // index where it was inserted
  void insertItem(int id, int index, const QString& text);
  void removeItem(int id, int index);
  void resetContent(int id);

  // Progress bars.
  int value(int id) const;
  void setValue(int id, int value);
  void setRange(int id, int minimum, int maximum);

  // Runs `task` on the window's thread after every update queued before it.
  // The task may block in a nested event loop (a message box): updates
  // queued after it reach their widgets meanwhile.
  void post(std::function<void()> task);

 signals:
  // A check box was ticked or unticked by the user (see onUserToggled).
  void userToggled(int id, bool checked);

 private:
  struct State {
    QPointer<QWidget> widget;
    QString text;
    // Counts setText and editText calls; lastSetSerial is the newest
    // setText's. A text that a newer setText replaces is skipped.
    std::uint64_t textSerial = 0;
    std::uint64_t lastSetSerial = 0;
    bool plainEdit = false;  // a QPlainTextEdit, edited in place
    TextFilter filter;       // what of a text the control keeps; none: all
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    bool sorted = false;
    // A combo box whose text cannot be typed: its text is always the text of
    // its selected entry.
    bool listOnly = false;
    QStringList items;
    int sel = -1;
    int value = 0;
    int minimum = 0;
    int maximum = 100;
  };

  using Apply = std::function<void(QWidget*)>;
  // Under the lock: `change` updates the mirror of control `id` and returns
  // the widget update, which is queued in the same hold so that the queue's
  // order is the mirror's order.
  void update(int id, const std::function<Apply(State&)>& change);
  // A queued widget update, or a task posted by post().
  struct Item {
    std::function<void()> task;
    bool posted = false;
  };
  static Apply insertInto(State& s, int at, const QString& text);
  void pushLocked(Item item);  // m_mutex held
  void drain();
  void watchUserChanges(int id, QWidget* widget);
  // `text` as control `id` keeps it.
  QString filtered(int id, const QString& text) const;
  template <typename T, typename Read>
  T read(int id, Read reader, T fallback) const;

  mutable std::mutex m_mutex;
  std::unordered_map<int, State> m_state;
  std::deque<Item> m_queue;
  bool m_drainPosted = false;  // guarded by m_mutex
  bool m_draining = false;     // window thread only
};

}  // namespace zephyn
