#include "support/window_fixture.h"

#include <QCoreApplication>

#include "panels/more_str_send.h"
#include "serial/com_port.h"
#include "session/enablement.h"
#include "terminal/apply_control_states.h"

namespace zephyn {

void WindowFixture::SetUpWindow(Language language) {
  SetLanguage(language);
  m_prompts.Reset();
  m_data = std::make_unique<QTemporaryDir>();
  m_sysfs = std::make_unique<QTemporaryDir>();
  QVERIFY(m_data->isValid() && m_sysfs->isValid());
}

void WindowFixture::TearDownWindow() {
  m_dlg.reset();
  m_module.reset();
}

bool WindowFixture::NewModule(std::uint32_t rate) {
  m_module = std::make_unique<VirtualModule>(rate);
  return m_module->ok();
}

StartOptions WindowFixture::Options(std::vector<std::string> ports) const {
  return TestOptions(std::move(ports), m_data->path());
}

StartOptions WindowFixture::WatchedOptions(std::vector<std::string> ports) const {
  StartOptions options = Options(std::move(ports));
  options.sysfsRoot = m_sysfs->path().toStdString();
  options.portWatchPeriod = kWatchPeriod;
  return options;
}

CZephynDlg& WindowFixture::Start(StartOptions options, Language language) {
  SetLanguage(language);
  m_dlg = StartWindow(language, std::move(options));
  return *m_dlg;
}

void WindowFixture::OpenPort() {
  zephyn::OpenPort(*m_dlg);
  QTRY_VERIFY(PortOpen());
  // The first reading of the modem lines follows the open; once the window
  // has drawn it the state holds still until the test acts.
  QTRY_VERIFY(m_dlg->session().State().lines.read);
  WaitUntilDrawn();
}

void WindowFixture::Click(QWidget& window, int id) {
  zephyn::Click(window, id);
  WaitUntilDrawn();
}

void WindowFixture::WaitUntilDrawn() {
  if (m_dlg == nullptr) return;
  QTRY_VERIFY(m_dlg->stateDrawn());
  // A draw posted before the newest one drew the state has nothing new to
  // draw, but sets the governed controls once more: it runs now, before the
  // test sets one of them itself.
  QCoreApplication::sendPostedEvents();
  QTRY_VERIFY(m_dlg->stateDrawn());
}

void WindowFixture::DrawAs(Connection connection) {
  SessionState state;
  state.portListed = true;
  state.connection = connection;
  ApplyControlStates(c(), &m_dlg->moreStrSend()->controls(), Enablement(state));
}

bool WindowFixture::PortOpen() const {
  return m_dlg != nullptr && m_dlg->session().PortOpen();
}

}  // namespace zephyn
