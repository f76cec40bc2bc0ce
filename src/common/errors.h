#pragma once
// The exceptions of the common layer and the message-filling helper shared by every layer.

#include <initializer_list>
#include <stdexcept>
#include <string>

namespace volarin {

// Base of every error the program shows the operator; what() is the message text.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text that does not convert to a number.
class ConversionError : public Error {
 public:
  using Error::Error;
};

// A file or folder operation that failed. The cause is the system's text for why
// ("No space left on device"), empty when there is none to tell.
class FileError : public Error {
 public:
  explicit FileError(const std::string& message, std::string cause = {})
      : Error(cause.empty() ? message : message + ": " + cause), cause_(std::move(cause)) {}
  const std::string& Cause() const { return cause_; }

 private:
  std::string cause_;
};

// The message as the application's error box shows it: a "." is added when the last character
// sorts after ".", so "Field 'X' not found" gains one and "Error opening: a.dbf. (-1)" does not.
std::string ErrorBoxText(const std::string& message);

// Replaces each "%s" or "%d" of the pattern, left to right, by the next argument.
std::string FillIn(const std::string& pattern, std::initializer_list<std::string> args);

}  // namespace volarin
