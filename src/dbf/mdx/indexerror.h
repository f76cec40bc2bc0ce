#pragma once
// The exception every index failure raises: a damaged file, a tag that does not fit, misuse.

#include <string>

#include "dbf/errors.h"

namespace volarin::dbf {

class IndexError : public Error {
 public:
  explicit IndexError(const std::string& message, int code = kErrorFormat) : Error(code, message) {}
};

// "Index file <path>: <what>" — every message names the file so the operator knows which one.
[[noreturn]] void ThrowIndexError(const std::string& path, const std::string& what);

}  // namespace volarin::dbf
