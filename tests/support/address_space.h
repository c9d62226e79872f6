// Takes the room for new threads away: reserves the free address space of this process in
// blocks of 2 MiB and more, so that no thread stack of the default size fits while small heap
// growth still does. Released on destruction.
#pragma once

#include <windows.h>

#include <vector>

namespace TestSupport {

class AddressSpaceFill {
 public:
  AddressSpaceFill() {
    // Halving from the largest block the address space could hold keeps the count of blocks
    // small in a 64-bit process too.
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    const SIZE_T span = reinterpret_cast<SIZE_T>(info.lpMaximumApplicationAddress) -
                        reinterpret_cast<SIZE_T>(info.lpMinimumApplicationAddress);
    SIZE_T block = kStackBlock;
    while (block <= span / 2) block *= 2;
    for (; block >= kStackBlock; block /= 2) {
      while (void* reserved = ::VirtualAlloc(nullptr, block, MEM_RESERVE, PAGE_NOACCESS)) blocks_.push_back(reserved);
    }
  }
  ~AddressSpaceFill() {
    for (void* reserved : blocks_) ::VirtualFree(reserved, 0, MEM_RELEASE);
  }
  AddressSpaceFill(const AddressSpaceFill&) = delete;
  AddressSpaceFill& operator=(const AddressSpaceFill&) = delete;

  // True when a thread can no longer be created (checked by trying).
  static bool ThreadsRefused() {
    HANDLE thread = ::CreateThread(nullptr, 0, &Nothing, nullptr, 0, nullptr);
    if (!thread) return true;
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
    return false;
  }

 private:
  static DWORD WINAPI Nothing(void*) { return 0; }
  static constexpr SIZE_T kStackBlock = 2u << 20;
  std::vector<void*> blocks_;
};

}  // namespace TestSupport
