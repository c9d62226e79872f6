// Per-test sandboxes: a fresh temporary folder, and the product's registry key cleared
// before and after the test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace TestSupport {

// A new, empty folder under the temporary folder; removed with its contents on destruction.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::wstring& Path() const { return path_; }  // no trailing backslash
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// Deletes a folder and everything below it; true when nothing is left.
bool RemoveFolderTree(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);

// HKEY_CURRENT_USER\Software\VeltoSoft\Dravix, the key the installer records itself in.
constexpr const wchar_t* kProductKey = L"Software\\VeltoSoft\\Dravix";
bool DeleteProductKey();
bool ProductKeyExists();

// Base fixture: every test gets its own folder and starts and ends with no product key.
class SandboxTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  const TempFolder& Sandbox() const { return *folder_; }

 private:
  std::unique_ptr<TempFolder> folder_;
};

}  // namespace TestSupport
