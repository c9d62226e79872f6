#pragma once

#include <exception>
#include <string>
#include <utility>

namespace Utils {

// Thrown by the utility layer when a system resource cannot be obtained; callers catch it as
// std::exception and report their own event. Every throw in this program leaves the text empty.
class Exception : public std::exception {
 public:
  Exception() = default;
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

}  // namespace Utils
