#pragma once
// The check register's record as the register cursor binds it (CheckRecord), and its
// calculated status field.

#include <string>
#include <vector>

#include "storage/fieldaccess.h"
#include "storage/tablecursor.h"

namespace volarin {

// ACCOUNTNR, CHECKNO, DATE, STATUSCODE, AMOUNT, COMPANY, BANKCODE, DUMMY1 with their kinds;
// CHECKNO and AMOUNT bind as floating-point fields (N or F in the file).
std::vector<DeclaredField> CheckRecordFields();

// "Void" for status code "02", "Stop" for "03", empty otherwise. Exact and case-sensitive on the
// code as the cursor reads it (trailing blanks removed).
std::string StatusText(const std::string& statusCode);

// StatusText of the record's STATUSCODE: the register's calculated "status".
std::string RecordStatusText(FieldAccess& record);

// A calculated-fields handler that fills "status" from STATUSCODE on every record read.
void zorppayCalcFields(FieldAccess& cursor);

// Declares the CheckRecord fields and the calculated status field (worked out from STATUSCODE
// when read) on a cursor (before it opens), so the open checks the structure of the file.
void DeclareCheckRecord(TableCursor& cursor);

}  // namespace volarin
