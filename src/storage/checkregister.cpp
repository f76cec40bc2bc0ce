#include "storage/checkregister.h"

#include "storage/tablefiles.h"

namespace volarin {

std::vector<DeclaredField> CheckRecordFields() {
  using namespace tables::reg;
  return {{kAccountNr, "String"},  {kCheckNo, "Float"}, {kDate, "Date"},
          {kStatusCode, "String"}, {kAmount, "Float"},  {kCompany, "String"},
          {kBankCode, "String"},   {kDummy1, "String"}};
}

std::string StatusText(const std::string& statusCode) {
  if (statusCode == tables::kStatusVoid) return "Void";
  if (statusCode == tables::kStatusStop) return "Stop";
  return {};
}

std::string RecordStatusText(FieldAccess& record) {
  return StatusText(record.FieldAsString(tables::reg::kStatusCode));
}

void zorppayCalcFields(FieldAccess& cursor) {
  const std::string status = RecordStatusText(cursor);
  if (!status.empty()) cursor.SetCalculated(tables::reg::kStatus, status);
}

void DeclareCheckRecord(TableCursor& cursor) {
  cursor.declaredFields = CheckRecordFields();
  // The status follows from the record alone: worked out when read, not on every move.
  cursor.calculatedFields = {{tables::reg::kStatus, tables::reg::kStatusSize, RecordStatusText}};
  cursor.repairIndexOnOpen = true;
}

}  // namespace volarin
