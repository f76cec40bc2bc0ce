#pragma once
// The exceptions of the storage layer. Their class tree mirrors the component set the windows were
// designed around, so callers can catch a whole family (any EDataSourceError) or one case.

#include <string>

#include "common/errors.h"

namespace volarin {

// Errors of the record machinery shared by every cursor: state errors ("Dataset not in edit or
// insert mode"), closed datasets, read-only datasets, field binding.
class EDatabaseError : public Error {
 public:
  using Error::Error;
};

class EStorageError : public Error {
 public:
  using Error::Error;
};
class EEngineError : public EStorageError {
 public:
  using EStorageError::EStorageError;
};
class EDataSourceError : public EStorageError {
 public:
  using EStorageError::EStorageError;
};
class EParseError : public EStorageError {
 public:
  using EStorageError::EStorageError;
};

class EOpenError : public EDataSourceError {
 public:
  using EDataSourceError::EDataSourceError;
};
class ETagError : public EDataSourceError {
 public:
  using EDataSourceError::EDataSourceError;
};
class EFieldError : public EDataSourceError {
 public:
  using EDataSourceError::EDataSourceError;
};
class EScopeError : public EDataSourceError {
 public:
  using EDataSourceError::EDataSourceError;
};
class EFilterError : public EDataSourceError {
 public:
  using EDataSourceError::EDataSourceError;
};
class EUniqueTagViolation : public EDataSourceError {
 public:
  using EDataSourceError::EDataSourceError;
};

class EDataSetError : public EDatabaseError {
 public:
  using EDatabaseError::EDatabaseError;
};
class EDSUniqueTagViolation : public EDatabaseError {
 public:
  using EDatabaseError::EDatabaseError;
};
class ERecordLockError : public EDataSetError {
 public:
  using EDataSetError::EDataSetError;
};

// Message texts shared by several places.
inline constexpr const char* kClosedDatasetMessage =
    "Cannot perform this operation on a closed dataset";
inline constexpr const char* kNotEditingMessage = "Dataset not in edit or insert mode";
inline constexpr const char* kReadOnlyMessage = "Cannot modify a read-only dataset";
inline constexpr const char* kEditLockMessage = "Record lock was unsuccessful, edit aborted.";
inline constexpr const char* kSaveLockMessage = "Record lock was unsuccessful, save aborted.";

}  // namespace volarin
