#pragma once
// The exceptions of the dBASE engine. Each carries one of the engine's negative error codes, which
// the context also keeps as its pending error until it is cleared.

#include <string>

#include "common/errors.h"

namespace volarin::dbf {

// Negative codes for failures; a context holds the last one until it is cleared.
enum ErrorCode : int {
  kNoError = 0,
  kErrorGeneral = -1,
  kErrorOpen = -10,    // file missing, in use, not permitted
  kErrorFormat = -20,  // damaged or foreign file
  kErrorRead = -30,    // the file ended or could not be read
  kErrorWrite = -40,   // the file could not be written
  kErrorLock = -50,    // a record or file lock could not be had after the configured attempts
  kErrorField = -60,   // unknown field, value that does not fit the field
  kErrorExpression = -70,
  kErrorCreate = -80,    // invalid field list or file that may not be replaced
  kErrorClosed = -90,    // operation on a closed table
  kErrorPosition = -100  // no current record (at end of file)
};

class Error : public volarin::Error {
 public:
  Error(int code, const std::string& message) : volarin::Error(message), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

// The file is damaged, truncated or not a dBASE III/IV table. The message names the file.
class FormatError : public Error {
 public:
  using Error::Error;
};

// A field of a type outside C N F D L M. The message is exactly "Invalid field type."; Detail()
// names the file, the field and the letter.
class InvalidFieldType : public FormatError {
 public:
  InvalidFieldType(std::string detail)
      : FormatError(kErrorFormat, "Invalid field type."), detail_(std::move(detail)) {}
  const std::string& Detail() const { return detail_; }

 private:
  std::string detail_;
};

class LockError : public Error {
 public:
  using Error::Error;
};

class FieldError : public Error {
 public:
  using Error::Error;
};

class ExpressionError : public Error {
 public:
  using Error::Error;
};

}  // namespace volarin::dbf
