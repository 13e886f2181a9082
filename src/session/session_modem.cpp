// The modem lines and the break: set and sent on the send worker, read
// while the port is open.
#include "session/session.h"

namespace zephyn {

void Session::SetModemLine(ModemLine, bool) {}

void Session::SendBreak() {}

}  // namespace zephyn
