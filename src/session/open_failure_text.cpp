#include "session/open_failure_text.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include "common/text_ids.h"
#include "serial/device_access.h"

namespace zephyn {

namespace {

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n\f\v");
  if (first == std::string::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r\n\f\v");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::string PermissionAdvice(const std::string& path, Language language) {
  const std::optional<DeviceAccess> access = ReadDeviceAccess(path);
  const PermissionCure cure = access ? access->cure : PermissionCure::kUnknown;
  switch (cure) {
    case PermissionCure::kJoinGroup:
      return FillText(LoadTextUtf8(TextId::kOpenNoPermission, language), {path, access->group});
    case PermissionCure::kOwnerOnly:
      return FillText(LoadTextUtf8(TextId::kOpenOwnerOnly, language),
                      {path, access->owner, access->kernelName});
    case PermissionCure::kUnknown:
      break;
  }
  return FillText(LoadTextUtf8(TextId::kOpenFailed, language), {path, std::strerror(EACCES)});
}

std::string OpenFailureText(const OpenFailure& failure, Language language) {
  auto message = [&](std::uint16_t id, std::string_view detail = {}) {
    return FillText(LoadTextUtf8(id, language), {failure.path, detail});
  };
  switch (failure.error) {
    case PortError::None:  // the rate text is no rate
      return message(TextId::kOpenRateInvalid, failure.rate);
    case PortError::Permission:
      return PermissionAdvice(failure.path, language);
    case PortError::Busy:
      return message(TextId::kOpenBusy);
    case PortError::NotSerial:
      return message(TextId::kOpenNotSerial);
    case PortError::NotFound:
      return message(TextId::kOpenNoDevice);
    case PortError::Unsupported:
      return message(TextId::kOpenRateRefused, Trimmed(failure.rate));
    case PortError::Failed:
      break;
  }
  return message(TextId::kOpenFailed, std::strerror(failure.err));
}

}  // namespace zephyn
