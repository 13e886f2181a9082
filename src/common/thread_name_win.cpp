// Windows: SetThreadDescription, which debuggers and profilers show. It
// came with Windows 10 1607, so it is looked up when first needed; where
// the system lacks it threads stay unnamed.
#include <windows.h>

#include <string>

#include "common/thread_name.h"

namespace zephyn {

namespace {

using SetThreadDescriptionFn = HRESULT(WINAPI*)(HANDLE, PCWSTR);

SetThreadDescriptionFn FindSetThreadDescription() {
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return nullptr;
  const FARPROC found = ::GetProcAddress(kernel, "SetThreadDescription");
  // Through the generic function pointer type, which converts to any other.
  return reinterpret_cast<SetThreadDescriptionFn>(reinterpret_cast<void (*)()>(found));
}

}  // namespace

void NameThisThread(const char* name) {
  static const SetThreadDescriptionFn setDescription = FindSetThreadDescription();
  if (setDescription == nullptr || name == nullptr) return;
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, name, -1, nullptr, 0);
  if (length <= 0) return;
  std::wstring wide(std::size_t(length), L'\0');
  if (::MultiByteToWideChar(CP_UTF8, 0, name, -1, wide.data(), length) != length) return;
  setDescription(::GetCurrentThread(), wide.c_str());
}

}  // namespace zephyn
