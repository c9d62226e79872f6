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
    for (SIZE_T block = SIZE_T{1} << 30; block >= kStackBlock; block /= 2) {
      while (void* reserved = ::VirtualAlloc(nullptr, block, MEM_RESERVE, PAGE_NOACCESS)) blocks_.push_back(reserved);
    }
  }
  ~AddressSpaceFill() {
    for (void* reserved : blocks_) ::VirtualFree(reserved, 0, MEM_RELEASE);
  }
  AddressSpaceFill(const AddressSpaceFill&) = delete;
  AddressSpaceFill& operator=(const AddressSpaceFill&) = delete;

  // Only a 32-bit address space can be filled in reasonable time: Wine keeps a byte per page of
  // every reservation, so filling 128 TiB of a 64-bit process takes longer than any test may.
  static constexpr bool kPossible = sizeof(void*) == 4;
  static constexpr const char* kImpossible = "a 64-bit address space cannot be filled; runs in the 32-bit build";

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
