#pragma once

#include <stdexcept>
#include <string>

namespace tarnick {

// The program's own error object: a failure with a message meant for the
// user. The message loop shows it in the error box; any other exception is
// shown with an empty text.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// A text that is not a number.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A file that cannot be opened, read or written.
class EFileError : public Exception {
 public:
  using Exception::Exception;
};

// Replaces the first "%s" of a message pattern.
std::string FormatMessage(const std::string& pattern, const std::string& arg);

}  // namespace tarnick
