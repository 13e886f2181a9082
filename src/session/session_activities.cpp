// The session's activities: the timed send, the file transfer and the string
// cycle, started and stopped on the user's command, and all stopped together
// whenever the connection leaves Open.
#include <functional>
#include <utility>
#include <vector>

#include "common/instructions.h"
#include "session/session.h"

namespace zephyn {

namespace {

// The rate as chosen, read as a whole number: "Auto" (or any text that is no
// rate) reads 0, a line that carries nothing.
std::int64_t ChosenBaud(std::string_view rateText) {
  return LeadingInt(rateText);
}

}  // namespace

TimedSend::Result Session::StartTimedSend(Bytes payload, std::int64_t intervalMs,
                                          std::string_view rateText) {
  return m_activities.timedSend.Start(std::move(payload), intervalMs, ChosenBaud(rateText));
}

void Session::SetTimedPayload(Bytes payload) {
  m_activities.timedSend.SetPayload(std::move(payload));
}

std::shared_ptr<const Bytes> Session::TimedPayload() const {
  return m_activities.timedSend.Payload();
}

void Session::StopTimedSend() {
  m_activities.timedSend.Stop();
}

bool Session::LoadFile(const std::string& path, std::string_view rateText) {
  return m_activities.file.Load(path, ChosenBaud(rateText));
}

FileSend::Go Session::SendFile() {
  return m_activities.file.Send();
}

bool Session::PauseFile() {
  return m_activities.file.Pause();
}

bool Session::StopFile() {
  return m_activities.file.Stop();
}

void Session::RewindFile() {
  m_activities.file.Rewind();
}

int Session::FileThousandths() const {
  return m_activities.file.Thousandths();
}

double Session::FilePercent() const {
  return m_activities.file.Percent();
}

std::optional<std::int32_t> Session::TakeFileSpeedSample() {
  return m_activities.file.TakeSpeedSample();
}

Cycle::Result Session::StartCycle(const std::vector<StoredString>& rows,
                                  std::string_view lineEnd, std::int64_t intervalMs) {
  return m_activities.cycle.Start(rows, lineEnd, intervalMs);
}

void Session::StopCycle() {
  m_activities.cycle.Stop();
}

void Session::OnStopActivities(std::function<void()> stop) {
  std::lock_guard lock(m_lock);
  m_activityStops.push_back(std::move(stop));
}

void Session::StopActivities() {
  m_activities.Stop();
  std::vector<std::function<void()>> stops;
  {
    std::lock_guard lock(m_lock);
    stops = m_activityStops;
  }
  for (const auto& stop : stops) stop();
}

}  // namespace zephyn
