// The sample product as a running process for the main window's checks, and the launches of it
// that the window makes.
#pragma once

#include <windows.h>

#include <string>

#include "utils/unique_resource.h"

namespace UiTests {

// A copy of the sample product under `name` in `folder`, copied and started; ended (by its
// handle) when the object goes.
class ProductProcess {
 public:
  ProductProcess(const std::wstring& folder, const std::wstring& name);
  ~ProductProcess();
  ProductProcess(const ProductProcess&) = delete;
  ProductProcess& operator=(const ProductProcess&) = delete;
  bool Started() const { return process_.get() != nullptr; }

 private:
  Utils::UniqueHandle process_;
};

// Copies the sample product into the folder as "ZarnelDravix.exe"; its path, empty on failure.
std::wstring CopySampleProduct(const std::wstring& folder);
// Waits until the copy in `folder` was started `expected` times (or a while longer when none
// is expected) and returns how many starts its launch log records.
int WaitForLaunches(const std::wstring& folder, int expected);
// Ends the processes the launch log in `folder` names, by their ids.
void StopLaunchedProducts(const std::wstring& folder);

}  // namespace UiTests
