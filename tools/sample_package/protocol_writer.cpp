#include "tools/sample_package/protocol_writer.h"

#include <string>

namespace SampleKit {

ProtocolWriter::ProtocolWriter() : output_(::GetStdHandle(STD_OUTPUT_HANDLE)) {}

void ProtocolWriter::Line(const std::wstring& text) {
  if (muted_ || !output_ || output_ == INVALID_HANDLE_VALUE) return;
  std::string bytes;
  if (!text.empty()) {
    const int length =
        ::WideCharToMultiByte(codePage_, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (length > 0) {
      bytes.resize(static_cast<size_t>(length));
      ::WideCharToMultiByte(codePage_, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length, nullptr,
                            nullptr);
    }
  }
  bytes += '\n';
  DWORD written = 0;
  ::WriteFile(output_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace SampleKit
