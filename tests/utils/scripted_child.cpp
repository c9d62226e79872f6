// A child process for tests of pipes, probes and the console protocol. It follows the script in
// the UTF-8 file named by the environment variable DRAVIX_CHILD_SCRIPT, one action per line:
//   out TEXT       write TEXT to standard output in one write (escapes \n \r \t \\ \xHH)
//   flood BYTES    write about BYTES of "Message=..." lines to standard output
//   err BYTES      write BYTES to standard error
//   sleep MS       pause
//   waitfile PATH  wait (at most 60 s) until PATH exists
//   touch PATH     create PATH
//   record PATH    write this process's whole command line to PATH in UTF-8
//   readin PATH    read standard input to its end, then create PATH
//   closeout       close standard output and go on
//   exit CODE      end with CODE (the end of the script ends with 0)
#include <windows.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "utils/unique_resource.h"

namespace {

std::string ReadFileBytes(const std::wstring& path) {
  Utils::UniqueFileHandle file(
      ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  if (!file) return bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
  return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  Utils::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  if (file) ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring Wide(const std::string& utf8) {
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  if (length <= 1) return std::wstring();
  std::wstring text(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &text[0], length);
  text.resize(static_cast<size_t>(length) - 1);
  return text;
}

std::string Utf8(const std::wstring& text) {
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return std::string();
  std::string bytes(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], length, nullptr, nullptr);
  bytes.resize(static_cast<size_t>(length) - 1);
  return bytes;
}

std::string Unescape(const std::string& text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      bytes += text[i];
      continue;
    }
    const char c = text[++i];
    if (c == 'n') {
      bytes += '\n';
    } else if (c == 'r') {
      bytes += '\r';
    } else if (c == 't') {
      bytes += '\t';
    } else if (c == 'x' && i + 2 < text.size()) {
      bytes += static_cast<char>(std::strtoul(text.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      bytes += c;
    }
  }
  return bytes;
}

void WriteAll(HANDLE handle, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!::WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr)) return;
    done += written;
  }
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t scriptPath[MAX_PATH] = {};
  if (!::GetEnvironmentVariableW(L"DRAVIX_CHILD_SCRIPT", scriptPath, MAX_PATH)) return 90;
  std::istringstream script(ReadFileBytes(scriptPath));
  HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  std::string line;
  while (std::getline(script, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t space = line.find(' ');
    const std::string action = line.substr(0, space);
    const std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);
    if (action == "out") {
      WriteAll(output, Unescape(argument));
    } else if (action == "flood") {
      const size_t total = std::strtoul(argument.c_str(), nullptr, 10);
      const std::string chunk = "Message=" + std::string(55, 'f') + "\n";
      std::string bytes;
      while (bytes.size() < total) bytes += chunk;
      WriteAll(output, bytes);
    } else if (action == "err") {
      WriteAll(::GetStdHandle(STD_ERROR_HANDLE), std::string(std::strtoul(argument.c_str(), nullptr, 10), 'e'));
    } else if (action == "sleep") {
      ::Sleep(std::strtoul(argument.c_str(), nullptr, 10));
    } else if (action == "waitfile") {
      for (int i = 0; i < 6000 && !Exists(Wide(argument)); ++i) ::Sleep(10);
    } else if (action == "touch") {
      WriteFileBytes(Wide(argument), "");
    } else if (action == "record") {
      WriteFileBytes(Wide(argument), Utf8(::GetCommandLineW()));
    } else if (action == "readin") {
      char buffer[256];
      DWORD read = 0;
      while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
      }
      WriteFileBytes(Wide(argument), "");
    } else if (action == "closeout") {
      ::CloseHandle(output);
      output = nullptr;
    } else if (action == "exit") {
      return static_cast<int>(std::strtol(argument.c_str(), nullptr, 10));
    }
  }
  return 0;
}
