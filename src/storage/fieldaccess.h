#pragma once
// Field access by name on one record: what a calculated-fields handler needs. The cursor offers
// it for its current record, a CursorRow for a record read aside for a grid.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/date.h"

namespace volarin {

class FieldAccess {
 public:
  virtual ~FieldAccess() = default;
  virtual std::string FieldAsString(std::string_view name) = 0;
  virtual double FieldAsFloat(std::string_view name) = 0;
  virtual int32_t FieldAsInteger(std::string_view name) = 0;
  virtual int64_t FieldAsInt64(std::string_view name) = 0;
  virtual Date FieldAsDate(std::string_view name) = 0;
  // Sets a calculated field of the record (declared on the cursor; memory only).
  virtual void SetCalculated(std::string_view name, const std::string& value) = 0;
};

}  // namespace volarin
