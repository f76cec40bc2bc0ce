#pragma once
// The exceptions of the storage layer. Their class tree mirrors the component set the windows were
// designed around, so callers can catch a whole family (any ECBDataSourceError) or one case.

#include <string>

#include "common/errors.h"

namespace volarin {

// Errors of the record machinery shared by every cursor: state errors ("Dataset not in edit or
// insert mode"), closed datasets, read-only datasets, field binding.
class EDatabaseError : public Error {
 public:
  using Error::Error;
};

class ECBError : public Error {
 public:
  using Error::Error;
};
class ECBEngineError : public ECBError {
 public:
  using ECBError::ECBError;
};
class ECBDataSourceError : public ECBError {
 public:
  using ECBError::ECBError;
};
class ECBParseError : public ECBError {
 public:
  using ECBError::ECBError;
};

class ECBOpenError : public ECBDataSourceError {
 public:
  using ECBDataSourceError::ECBDataSourceError;
};
class ECBTagError : public ECBDataSourceError {
 public:
  using ECBDataSourceError::ECBDataSourceError;
};
class ECBFieldError : public ECBDataSourceError {
 public:
  using ECBDataSourceError::ECBDataSourceError;
};
class ECBScopeError : public ECBDataSourceError {
 public:
  using ECBDataSourceError::ECBDataSourceError;
};
class ECBFilterError : public ECBDataSourceError {
 public:
  using ECBDataSourceError::ECBDataSourceError;
};
class ECBUniqueTagViolation : public ECBDataSourceError {
 public:
  using ECBDataSourceError::ECBDataSourceError;
};

class ECBDataSetError : public EDatabaseError {
 public:
  using EDatabaseError::EDatabaseError;
};
class ECBDSUniqueTagViolation : public EDatabaseError {
 public:
  using EDatabaseError::EDatabaseError;
};
class ECBDSRLockError : public ECBDataSetError {
 public:
  using ECBDataSetError::ECBDataSetError;
};

// Message texts shared by several places.
inline constexpr const char* kClosedDatasetMessage =
    "Cannot perform this operation on a closed dataset";
inline constexpr const char* kNotEditingMessage = "Dataset not in edit or insert mode";
inline constexpr const char* kReadOnlyMessage = "Cannot modify a read-only dataset";
inline constexpr const char* kEditLockMessage = "Record lock was unsuccessful, edit aborted.";
inline constexpr const char* kSaveLockMessage = "Record lock was unsuccessful, save aborted.";

}  // namespace volarin
