#include "app/single_instance.h"

namespace Utils {

void SingleInstance::Create() {
  if (mutex_) return;
  const std::wstring fullName = FullName();
  mutex_.reset(::CreateMutexW(nullptr, TRUE, fullName.c_str()));
  if (mutex_ && ::GetLastError() == ERROR_ALREADY_EXISTS) mutex_.reset();
}

void SingleInstance::Release() {
  if (!mutex_) return;
  ::ReleaseMutex(mutex_.get());
  mutex_.reset();
}

}  // namespace Utils
