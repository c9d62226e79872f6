#include "utils/pipe.h"

#include "utils/exception.h"

namespace Utils {

void Pipe::Create() {
  Close();
  SECURITY_ATTRIBUTES attributes = {};
  attributes.nLength = sizeof(attributes);
  attributes.bInheritHandle = TRUE;
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  if (!::CreatePipe(&read, &write, &attributes, 0)) throw Exception();
  readEnd_.reset(read);
  writeEnd_.reset(write);
}

void Pipe::Close() {
  writeEnd_.reset();
  readEnd_.reset();
}

}  // namespace Utils
