#include "extraction/extraction.h"

#include <optional>
#include <string_view>

#include "common/paths.h"
#include "common/text.h"
#include "extraction/registerduplicates.h"
#include "storage/directreader.h"
#include "storage/errors.h"
#include "storage/keys.h"
#include "storage/tablecursor.h"
#include "storage/tablefiles.h"

namespace volarin {
namespace {

// Sorts before every eight-digit date key, so the range covers every check up to the date.
constexpr const char* kEarliestBound = "01/01/1900";

// A source field's position, looked up by name at its first read in the run, so that a missing
// field fails where a read by name would have, and every later read goes by position.
class SourceField {
 public:
  explicit SourceField(const char* name) : name_(name) {}
  int In(TableCursor& cursor) {
    if (index_ < 0) index_ = cursor.FieldIndex(name_);
    return index_;
  }

 private:
  const char* name_;
  int index_ = -1;
};

// The source fields the passes read, by table.
struct EscrowFields {
  SourceField checkNo{tables::escrow::kCheckNo};
  SourceField accountNr{tables::escrow::kAccountNr};
  SourceField clrStatus{tables::escrow::kClrStatus};
  SourceField voidFlag{tables::escrow::kVoid};
  SourceField prnDate{tables::escrow::kPrnDate};
  SourceField seq{tables::escrow::kSeq};
  SourceField amount{tables::escrow::kAmount};
  SourceField company{tables::escrow::kCompany};
};

struct ClosingFields {
  SourceField checkNo{tables::closing::kCheckNo};
  SourceField accountNr{tables::closing::kAccountNr};
  SourceField date{tables::closing::kDate};
  SourceField amount{tables::closing::kAmount};
  SourceField voidAmount{tables::closing::kVoidAmount};
  SourceField company{tables::closing::kCompany};
};

// The values every register record of a run shares.
struct RunContext {
  RunContext(const ExtractionCursors& c, const ExtractionRequest& r, ExtractionProgress* p)
      : cursors(c),
        request(r),
        progress(p),
        dateDigits(DateDigits(DateToText(r.positivePayDate))) {}

  const ExtractionCursors& cursors;
  const ExtractionRequest& request;
  ExtractionProgress* progress;
  std::string suiteKey;                          // the selected suite account as an account key
  std::string bankAccount;                       // NEWACCNR as an account key
  std::string bankNumber;                        // BANKCODE as read
  std::string dateDigits;                        // DateDigits of the Positive Pay date's text
  std::optional<RegisterDuplicates> duplicates;  // once the bank account is known
  EscrowFields escrowFields;
  ClosingFields closingFields;
  // Reused for every source record, so that a record passed over costs no allocation.
  std::string scratch;
  std::string numberText;
  // Whether every escrow check number text reads without an error; known at the first line.
  std::optional<bool> escrowNumbersRead;
};

// One check as it goes into the register.
struct CheckValues {
  int64_t number = 0;
  Date date;
  double amount = 0;
  std::string statusCode;
  std::string company;
};

void ShowCheck(RunContext& run, int64_t number) {
  if (run.progress) run.progress->CheckVisited(number);
}

bool BelongsToAccount(RunContext& run, TableCursor& source, SourceField& accountNr) {
  const std::string_view account = source.TrimmedTextAt(accountNr.In(source), run.scratch);
  return !account.empty() && HasAccountKey(account, run.suiteKey);
}

bool Cleared(RunContext& run, TableCursor& escrow) {
  return escrow.TrimmedTextAt(run.escrowFields.clrStatus.In(escrow), run.scratch) == "C";
}

bool InRegister(RunContext& run, int64_t number) {
  return run.duplicates->Holds(number);
}

void WriteCheck(RunContext& run, const CheckValues& check) {
  TableCursor& reg = run.cursors.checkRegister;
  // A failed append must never put the check's values on the record the cursor stands on, and
  // a check silently left out would make the bank refuse it: stop the run instead.
  if (!reg.AppendBlank()) {
    throw EStorageError("Check " + Int64ToText(check.number) +
                        " could not be added to the check register; the extraction was stopped.");
  }
  reg.StartEdit();
  reg.AssignString(tables::reg::kAccountNr, run.bankAccount);
  reg.AssignString(tables::reg::kBankCode, run.bankNumber);
  reg.AssignDate(tables::reg::kDate, check.date);
  reg.AssignInt64(tables::reg::kCheckNo, check.number);
  reg.AssignFloat(tables::reg::kAmount, check.amount);
  reg.AssignString(tables::reg::kStatusCode, check.statusCode);
  reg.AssignString(tables::reg::kCompany, check.company);
  reg.SaveEdit();
  run.duplicates->Saved(check.number);
}

// A number text of at most this many characters has too few digits to overflow.
constexpr size_t kSafeDigits = 18;

// TextToInt64 of a check number text. The usual text, plain digits too few to overflow, is read
// in place; anything else goes through TextToInt64 for its rules and its error.
int64_t CheckNumberOf(std::string_view text, std::string& scratch) {
  if (text.size() <= kSafeDigits) {
    int64_t value = 0;
    size_t i = 0;
    for (; i < text.size(); ++i) {
      const auto digit = static_cast<unsigned char>(text[i] - '0');
      if (digit > 9) break;
      value = value * 10 + digit;
    }
    if (i == text.size()) return value;
  }
  scratch.assign(text);
  return TextToInt64(scratch);
}

int64_t EscrowCheckNumber(RunContext& run, TableCursor& escrow) {
  // The digits are the same in the trimmed text; only blanks go.
  const int64_t number = CheckNumberOf(
      escrow.TrimmedTextAt(run.escrowFields.checkNo.In(escrow), run.scratch), run.numberText);
  ShowCheck(run, number);
  return number;
}

// True when the escrow's check number field is a character field too short to hold a number
// that TextToInt64 refuses, so that reading it never stops the run.
bool EscrowNumbersAlwaysRead(RunContext& run, TableCursor& escrow) {
  if (!run.escrowNumbersRead) {
    const dbf::FieldInfo& field = escrow.FieldAt(run.escrowFields.checkNo.In(escrow));
    run.escrowNumbersRead = field.type == 'C' && static_cast<size_t>(field.width) <= kSafeDigits;
  }
  return *run.escrowNumbersRead;
}

// What both escrow passes ask of a line, its check number read into `number`: a positive number,
// the selected account, not cleared at the bank and not written yet in this run. A window is
// shown the number of every line; without one, a line of another account (most lines) is passed
// over before its number is read, where that read can never fail.
bool EscrowLineWanted(RunContext& run, TableCursor& escrow, int64_t& number) {
  const bool accountFirst = !run.progress && EscrowNumbersAlwaysRead(run, escrow);
  if (accountFirst && !BelongsToAccount(run, escrow, run.escrowFields.accountNr)) return false;
  number = EscrowCheckNumber(run, escrow);
  return number > 0 &&
         (accountFirst || BelongsToAccount(run, escrow, run.escrowFields.accountNr)) &&
         !Cleared(run, escrow) && !InRegister(run, number);
}

const char* VoidCode(RunContext& run, TableCursor& escrow) {
  return escrow.Int64At(run.escrowFields.voidFlag.In(escrow)) != 0 ? tables::kStatusVoid
                                                                   : tables::kStatusIssued;
}

void PrintDatePass(RunContext& run) {
  TableCursor& escrow = run.cursors.escrow;
  EscrowFields& f = run.escrowFields;
  for (; !escrow.Eof(); escrow.Skip(1)) {
    int64_t number = 0;
    if (!EscrowLineWanted(run, escrow, number)) continue;
    if (run.request.allOutstanding && escrow.Int64At(f.voidFlag.In(escrow)) != 0) continue;
    CheckValues check;
    check.number = number;
    check.date = escrow.DateAt(f.prnDate.In(escrow));
    check.amount = escrow.TrimmedTextAt(f.seq.In(escrow), run.scratch).empty()
                       ? escrow.FloatAt(f.amount.In(escrow))
                       : SequenceTotal(run.request.dataDir, run.suiteKey, number);
    check.statusCode = VoidCode(run, escrow);
    check.company = escrow.TextAt(f.company.In(escrow));
    WriteCheck(run, check);
  }
}

void VoidDatePass(RunContext& run) {
  TableCursor& escrow = run.cursors.escrow;
  EscrowFields& f = run.escrowFields;
  for (; !escrow.Eof(); escrow.Skip(1)) {
    int64_t number = 0;
    if (!EscrowLineWanted(run, escrow, number)) continue;
    CheckValues check;
    check.number = number;
    check.date = escrow.DateAt(f.prnDate.In(escrow));  // dated by its print date
    check.amount = escrow.FloatAt(f.amount.In(escrow));
    check.statusCode = VoidCode(run, escrow);
    check.company = escrow.TextAt(f.company.In(escrow));
    WriteCheck(run, check);
  }
}

void ClosingPass(RunContext& run) {
  TableCursor& closing = run.cursors.closing;
  TableCursor& escrow = run.cursors.escrow;
  ClosingFields& f = run.closingFields;
  for (; !closing.Eof(); closing.Skip(1)) {
    const int64_t number = closing.Int64At(f.checkNo.In(closing));
    ShowCheck(run, number);
    if (number <= 0 || !BelongsToAccount(run, closing, f.accountNr)) continue;
    // The escrow table knows whether the bank has cleared it; a check unknown there is taken.
    if (escrow.Seek(EscrowCheckKey(run.suiteKey, number)) && Cleared(run, escrow)) continue;
    if (InRegister(run, number)) continue;
    CheckValues check;
    check.number = number;
    check.date = closing.DateAt(f.date.In(closing));
    const double amount = closing.FloatAt(f.amount.In(closing));
    check.amount = amount > 0 ? amount : closing.FloatAt(f.voidAmount.In(closing));
    check.statusCode = amount > 0 ? tables::kStatusIssued : tables::kStatusVoid;
    check.company = closing.TextAt(f.company.In(closing));
    WriteCheck(run, check);
  }
}

void OpenInRange(TableCursor& cursor, const std::string& tag, const std::string& low,
                 const std::string& high) {
  cursor.Open();
  cursor.SetTag(tag);
  cursor.SetScope(low, high);
  cursor.GoTop();
}

void ShowSource(RunContext& run, const std::string& text) {
  if (run.progress) run.progress->SourceChanged(text);
}

ExtractionResult Passes(RunContext& run) {
  const ExtractionCursors& c = run.cursors;
  TableCursor& reg = c.checkRegister;
  reg.Zap(1, reg.RecCount());
  reg.Unlock();
  reg.ClearScope();
  reg.SetTag(tables::kRegisterAccountTag);

  run.suiteKey = AccountKey(run.request.selectedAccount);
  if (!c.accountMap.Seek(run.suiteKey)) {
    if (run.progress) run.progress->AccountMissing();
    return ExtractionResult::kAccountMissing;
  }
  run.bankAccount = AccountKey(c.accountMap.FieldAsString(tables::map::kNewAccNr));
  run.bankNumber = c.accountMap.FieldAsString(tables::map::kBankCode);
  run.duplicates.emplace(
      reg, run.bankAccount,
      IsRegisterKeyRule(reg.SelectedTagKeyExpression(), reg.SelectedTagKeyLength()));

  ShowSource(run, kExtractingFromEscrow);
  const std::string& day = run.dateDigits;
  OpenInRange(c.escrow, tables::kEscrowPrintDateTag,
              run.request.allOutstanding ? kEarliestBound : day, day);
  PrintDatePass(run);
  if (run.request.allOutstanding) return ExtractionResult::kCompleted;

  c.escrow.SetTag(tables::kEscrowVoidDateTag);
  c.escrow.SetScope(day, day);
  c.escrow.GoTop();
  VoidDatePass(run);

  // The closing pass only seeks on this order and the cursor is closed after it, so where it
  // stands before the first seek is never read: no GoTop.
  c.escrow.ClearScope();
  c.escrow.SetTag(tables::kEscrowCheckTag);
  ShowSource(run, kExtractingFromClosing);
  OpenInRange(c.closing, tables::kClosingDateTag, day, day);
  ClosingPass(run);
  return ExtractionResult::kCompleted;
}

// Leaves the register on its "date" order at the first record and puts the filter back.
void SettleRegister(TableCursor& reg, bool filterWasOn, const std::string& filterText) {
  reg.SetTag(tables::kRegisterDateTag);
  if (filterWasOn) {
    reg.SetFilter(filterText);
    reg.FilterOn(true);
  }
  reg.GoTop();
}

}  // namespace

ExtractionResult RunExtraction(const ExtractionCursors& cursors, const ExtractionRequest& request,
                               ExtractionProgress* progress) {
  TableCursor& reg = cursors.checkRegister;
  reg.Open();
  const bool filterWasOn = reg.Filtered();
  const std::string filterText = reg.Filter();
  // The duplicate test must see every register record, whatever starting number is set.
  if (filterWasOn) reg.FilterOn(false);

  RunContext run(cursors, request, progress);
  ExtractionResult result;
  try {
    reg.MarkIncomplete(true);
    result = Passes(run);
    cursors.escrow.Close();
    cursors.closing.Close();
    reg.Unlock();
    reg.MarkIncomplete(false);
  } catch (...) {
    // Whatever failed, the register is still left in its reading order; a second failure
    // here must not hide the first.
    try {
      cursors.escrow.Close();
      cursors.closing.Close();
      reg.CancelEdit();
      SettleRegister(reg, filterWasOn, filterText);
    } catch (...) {
    }
    throw;
  }
  SettleRegister(reg, filterWasOn, filterText);
  return result;
}

double SequenceTotal(const std::string& dataDir, const std::string& suiteAccountKey,
                     int64_t checkNumber) {
  int handle = DirectOpen(JoinPath(dataDir, tables::kEscrowFile));
  if (handle == 0) return 0;
  DirectSelectTag(handle, tables::kEscrowCheckLinesTag);
  const std::string key =
      suiteAccountKey + PadLeft('0', Int64ToText(checkNumber), tables::kCheckNumberWidth);
  if (DirectSeek(handle, key) < 0) {
    DirectClose(handle);
    return 0;
  }
  double sum = 0;
  std::string runKey = key;
  while (!DirectEof(handle) && runKey == key) {
    sum += DirectFieldFloat(handle, tables::escrow::kAmount);
    DirectSkip(handle, 1);
    runKey = AccountKey(DirectFieldText(handle, tables::escrow::kAccountNr)) +
             DirectFieldText(handle, tables::escrow::kCheckNo);
  }
  DirectClose(handle);
  return sum;
}

bool RegisterIncomplete(TableCursor& checkRegister) {
  return checkRegister.IsOpen() && checkRegister.MarkedIncomplete();
}

}  // namespace volarin
