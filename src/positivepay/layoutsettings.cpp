#include "positivepay/layoutsettings.h"

#include <functional>
#include <memory>
#include <optional>
#include <sstream>

#include "common/paths.h"
#include "common/pendingfile.h"
#include "common/platform.h"
#include "common/text.h"
#include "positivepay/layoutwriter.h"
#include "storage/filecase.h"

namespace volarin {
namespace {

// --- names of the file's values

template <typename Enum>
struct Named {
  Enum value;
  const char* name;
};

constexpr Named<LayoutKind> kKinds[] = {{LayoutKind::Delimited, "Delimited"},
                                        {LayoutKind::FixedWidth, "Fixed"}};
constexpr Named<Quoting> kQuotings[] = {{Quoting::None, "None"},
                                        {Quoting::AsIs, "AsIs"},
                                        {Quoting::All, "All"},
                                        {Quoting::WhereNeeded, "WhereNeeded"}};
constexpr Named<VoidAmounts> kVoidAmounts[] = {{VoidAmounts::Negative, "Negative"},
                                               {VoidAmounts::Positive, "Positive"}};
constexpr Named<VoidsInTotal> kVoidsInTotal[] = {{VoidsInTotal::Subtract, "Subtract"},
                                                 {VoidsInTotal::Add, "Add"},
                                                 {VoidsInTotal::Leave, "Leave"}};
constexpr DateForm kDateForms[] = {DateForm::ShortDate,        DateForm::MMDDYY,
                                   DateForm::MMDDYYYY,         DateForm::YYMMDD,
                                   DateForm::YYYYMMDD,         DateForm::MM_DD_YY,
                                   DateForm::MM_DD_YYYY,       DateForm::MM_DD_YYYY_Dashed,
                                   DateForm::YYYY_MM_DD_Dashed};
constexpr AmountForm kAmountForms[] = {AmountForm::Standard, AmountForm::Decimal,
                                       AmountForm::ImpliedCents, AmountForm::WholeDollars};
constexpr FieldKind kFieldKinds[] = {
    FieldKind::BankAccount, FieldKind::BankNumber, FieldKind::CheckNumber, FieldKind::IssueDate,
    FieldKind::FileDate,    FieldKind::Amount,     FieldKind::Payee,       FieldKind::StatusCode,
    FieldKind::Filler,      FieldKind::Constant,   FieldKind::Count,       FieldKind::Total};

template <typename Enum, size_t N>
const char* NameOf(const Named<Enum> (&names)[N], Enum value) {
  for (const auto& named : names) {
    if (named.value == value) return named.name;
  }
  return "?";
}

template <typename Enum, size_t N>
std::optional<Enum> ValueOf(const Named<Enum> (&names)[N], const std::string& text) {
  for (const auto& named : names) {
    if (text == named.name) return named.value;
  }
  return std::nullopt;
}

template <typename Enum, size_t N>
std::optional<Enum> ValueByName(const Enum (&values)[N], const char* (*name)(Enum),
                                const std::string& text) {
  for (Enum value : values) {
    if (text == name(value)) return value;
  }
  return std::nullopt;
}

// Texts are written between double quotes, an inner quote doubled, so blanks at either end and
// empty codes survive.
std::string Quoted(const std::string& text) {
  return "\"" + ReplaceAll(text, "\"", "\"\"") + "\"";
}

std::string FieldText(const LayoutField& field) {
  std::string text = FieldKindName(field.kind);
  if (field.start > 0 || field.length > 0) {
    text += " @" + std::to_string(field.start) + "+" + std::to_string(field.length);
  }
  if (field.zeroFill) text += " zero";
  if (field.digitsOnly) text += " digits";
  if (field.kind == FieldKind::Constant || field.kind == FieldKind::Filler) {
    if (!field.text.empty() || field.kind == FieldKind::Constant) text += " " + Quoted(field.text);
  }
  return text;
}

std::string FieldsText(const std::vector<LayoutField>& fields) {
  std::string text;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) text += "; ";
    text += FieldText(fields[i]);
  }
  return text;
}

std::string DelimiterText(char delimiter) {
  if (delimiter == '\t') return "Tab";
  return std::string(1, delimiter);
}

// --- reading

class LineReader {
 public:
  LineReader(std::string fileName, int line) : fileName_(std::move(fileName)), line_(line) {}
  [[noreturn]] void Fail(const std::string& what) const {
    if (fileName_.empty()) throw LayoutRefusal(what);
    throw LayoutRefusal(fileName_ + " line " + std::to_string(line_) + ": " + what);
  }

 private:
  std::string fileName_;
  int line_;
};

// A quoted text from `pos` on (the quotes and doubled inner quotes undone); pos moves past it.
std::string ReadQuoted(const std::string& text, size_t& pos, const LineReader& at) {
  std::string out;
  ++pos;  // the opening quote
  for (;;) {
    if (pos >= text.size()) at.Fail("a text has no closing quote");
    if (text[pos] == '"') {
      if (pos + 1 < text.size() && text[pos + 1] == '"') {
        out += '"';
        pos += 2;
        continue;
      }
      ++pos;
      return out;
    }
    out += text[pos++];
  }
}

std::string Unquoted(const std::string& value, const LineReader& at) {
  if (value.empty() || value[0] != '"') return value;
  size_t pos = 0;
  std::string text = ReadQuoted(value, pos, at);
  if (pos != value.size()) at.Fail("text after the closing quote");
  return text;
}

int PositiveNumber(const std::string& text, const LineReader& at, const char* what) {
  if (text.empty() || text.size() > 6 || DigitsOnly(text) != text) {
    at.Fail(std::string("the ") + what + " must be a whole number");
  }
  return std::stoi(text);
}

// "Kind [@start+length] [zero] [digits] ["text"]"
LayoutField ParseField(const std::string& written, const LineReader& at) {
  LayoutField field;
  size_t pos = 0;
  const auto skipBlanks = [&] {
    while (pos < written.size() && written[pos] == ' ') ++pos;
  };
  const auto word = [&] {
    const size_t from = pos;
    while (pos < written.size() && written[pos] != ' ') ++pos;
    return written.substr(from, pos - from);
  };
  skipBlanks();
  const std::string kindName = word();
  const std::optional<FieldKind> kind = ValueByName(kFieldKinds, FieldKindName, kindName);
  if (!kind) at.Fail("unknown field \"" + kindName + "\"");
  field.kind = *kind;
  for (skipBlanks(); pos < written.size(); skipBlanks()) {
    if (written[pos] == '"') {
      field.text = ReadQuoted(written, pos, at);
      continue;
    }
    const std::string option = word();
    if (option == "zero") {
      field.zeroFill = true;
    } else if (option == "digits") {
      field.digitsOnly = true;
    } else if (option.size() > 1 && option[0] == '@' && option.find('+') != std::string::npos) {
      const size_t plus = option.find('+');
      field.start = PositiveNumber(option.substr(1, plus - 1), at, "start position");
      field.length = PositiveNumber(option.substr(plus + 1), at, "length");
    } else if (option.size() > 1 && option[0] == '+') {
      field.length = PositiveNumber(option.substr(1), at, "length");
    } else {
      at.Fail("unknown word \"" + option + "\" in the field " + kindName);
    }
  }
  return field;
}

std::vector<LayoutField> ParseFields(const std::string& text, const LineReader& at) {
  std::vector<LayoutField> fields;
  size_t from = 0;
  bool quoted = false;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] == '"') quoted = !quoted;
    if (i == text.size() || (text[i] == ';' && !quoted)) {
      const std::string written = TrimText(text.substr(from, i - from));
      if (!written.empty()) fields.push_back(ParseField(written, at));
      from = i + 1;
    }
  }
  return fields;
}

bool YesNo(const std::string& value, const LineReader& at) {
  if (value == "Yes") return true;
  if (value == "No") return false;
  at.Fail("Yes or No expected, not \"" + value + "\"");
}

template <typename Enum, size_t N>
Enum Choice(const Named<Enum> (&names)[N], const std::string& value, const LineReader& at) {
  const std::optional<Enum> chosen = ValueOf(names, value);
  if (!chosen) at.Fail("\"" + value + "\" is not one of the choices");
  return *chosen;
}

void SetLayoutValue(BankLayout& layout, const std::string& key, const std::string& raw,
                    const LineReader& at) {
  const std::string value = Unquoted(raw, at);
  if (key == "Name") {
    layout.name = value;
  } else if (key == "Kind") {
    layout.kind = Choice(kKinds, value, at);
  } else if (key == "Delimiter") {
    if (value == "Tab") {
      layout.delimiter = '\t';
    } else if (value.size() == 1) {
      layout.delimiter = value[0];
    } else {
      at.Fail("a delimiter is one character or Tab");
    }
  } else if (key == "Quoting") {
    layout.quoting = Choice(kQuotings, value, at);
  } else if (key == "ColumnNames") {
    layout.columnNames = YesNo(value, at);
  } else if (key == "RecordLength") {
    layout.recordLength = PositiveNumber(value, at, "record length");
  } else if (key == "DateForm") {
    const std::optional<DateForm> form = ValueByName(kDateForms, DateFormName, value);
    if (!form) at.Fail("unknown date form \"" + value + "\"");
    layout.dateForm = *form;
  } else if (key == "AmountForm") {
    const std::optional<AmountForm> form = ValueByName(kAmountForms, AmountFormName, value);
    if (!form) at.Fail("unknown amount form \"" + value + "\"");
    layout.amountForm = *form;
  } else if (key == "VoidAmounts") {
    layout.voidAmounts = Choice(kVoidAmounts, value, at);
  } else if (key == "VoidsInTotal") {
    layout.voidsInTotal = Choice(kVoidsInTotal, value, at);
  } else if (key == "CountVoids") {
    layout.countVoids = YesNo(value, at);
  } else if (key == "IssueCode") {
    layout.issueCode = value;
  } else if (key == "VoidCode") {
    layout.voidCode = value;
  } else if (key == "PayeeLimit") {
    layout.payeeLimit = PositiveNumber(value, at, "payee limit");
  } else if (key == "FileName") {
    layout.fileNamePattern = value;
  } else if (key == "LineEnding") {
    if (value == "CRLF") {
      layout.lineEnding = "\r\n";
    } else if (value == "LF") {
      layout.lineEnding = "\n";
    } else {
      at.Fail("a line ends with CRLF or LF");
    }
  } else if (key == "Header") {
    layout.header = ParseFields(raw, at);
  } else if (key == "Detail") {
    layout.detail = ParseFields(raw, at);
  } else if (key == "Trailer") {
    layout.trailer = ParseFields(raw, at);
  } else {
    at.Fail("unknown setting \"" + key + "\"");
  }
}

}  // namespace

std::string FieldListText(const std::vector<LayoutField>& fields) {
  return FieldsText(fields);
}

std::vector<LayoutField> ParseFieldList(const std::string& text) {
  return ParseFields(text, LineReader({}, 0));
}

const BankLayout* LayoutSettings::Find(const std::string& name) const {
  for (const BankLayout& layout : layouts) {
    if (layout.name == name) return &layout;
  }
  return FindBuiltInLayout(name);
}

const BankLayout& LayoutSettings::LayoutFor(const std::string& bankAccount) const {
  const auto chosen = accountLayouts.find(TrimText(bankAccount));
  if (chosen == accountLayouts.end()) return StandardLayout();
  const BankLayout* layout = Find(chosen->second);
  if (!layout) {
    throw LayoutRefusal("The bank account " + TrimText(bankAccount) + " uses the layout \"" +
                        chosen->second + "\", which does not exist");
  }
  return *layout;
}

std::string LayoutSettingsText(const LayoutSettings& settings) {
  std::ostringstream out;
  out << "; VOLARIN Positive Pay: bank file layouts, and the bank accounts that use them.\r\n";
  for (const BankLayout& layout : settings.layouts) {
    out << "\r\n[Layout]\r\n"
        << "Name=" << Quoted(layout.name) << "\r\n"
        << "Kind=" << NameOf(kKinds, layout.kind) << "\r\n"
        << "Delimiter=" << Quoted(DelimiterText(layout.delimiter)) << "\r\n"
        << "Quoting=" << NameOf(kQuotings, layout.quoting) << "\r\n"
        << "ColumnNames=" << (layout.columnNames ? "Yes" : "No") << "\r\n"
        << "RecordLength=" << layout.recordLength << "\r\n"
        << "DateForm=" << DateFormName(layout.dateForm) << "\r\n"
        << "AmountForm=" << AmountFormName(layout.amountForm) << "\r\n"
        << "VoidAmounts=" << NameOf(kVoidAmounts, layout.voidAmounts) << "\r\n"
        << "VoidsInTotal=" << NameOf(kVoidsInTotal, layout.voidsInTotal) << "\r\n"
        << "CountVoids=" << (layout.countVoids ? "Yes" : "No") << "\r\n"
        << "IssueCode=" << Quoted(layout.issueCode) << "\r\n"
        << "VoidCode=" << Quoted(layout.voidCode) << "\r\n"
        << "PayeeLimit=" << layout.payeeLimit << "\r\n"
        << "FileName=" << Quoted(layout.fileNamePattern) << "\r\n"
        << "LineEnding=" << (layout.lineEnding == "\n" ? "LF" : "CRLF") << "\r\n"
        << "Header=" << FieldsText(layout.header) << "\r\n"
        << "Detail=" << FieldsText(layout.detail) << "\r\n"
        << "Trailer=" << FieldsText(layout.trailer) << "\r\n";
  }
  out << "\r\n[Accounts]\r\n";
  for (const auto& [account, name] : settings.accountLayouts) {
    out << account << "=" << Quoted(name) << "\r\n";
  }
  return out.str();
}

LayoutSettings ParseLayoutSettings(const std::string& text, const std::string& fileName) {
  LayoutSettings settings;
  enum class Section { None, Layout, Accounts } section = Section::None;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  const auto finishLayout = [&](const LineReader& at) {
    if (section != Section::Layout) return;
    const BankLayout& layout = settings.layouts.back();
    const std::string problem = LayoutProblem(layout);
    if (!problem.empty()) at.Fail("the layout \"" + layout.name + "\": " + problem);
    for (size_t i = 0; i + 1 < settings.layouts.size(); ++i) {
      if (settings.layouts[i].name == layout.name) at.Fail("two layouts named " + layout.name);
    }
    if (FindBuiltInLayout(layout.name)) at.Fail(layout.name + " is the name of a built-in layout");
  };
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const LineReader at(fileName, number);
    const std::string trimmed = TrimText(line);
    if (trimmed.empty() || trimmed[0] == ';') continue;
    if (trimmed == "[Layout]" || trimmed == "[Accounts]") {
      finishLayout(at);
      section = trimmed == "[Layout]" ? Section::Layout : Section::Accounts;
      if (section == Section::Layout) settings.layouts.emplace_back();
      continue;
    }
    const size_t equals = trimmed.find('=');
    if (equals == std::string::npos || section == Section::None) {
      at.Fail("a setting (Name=Value) under [Layout] or [Accounts] expected");
    }
    const std::string key = TrimText(trimmed.substr(0, equals));
    const std::string value = TrimText(trimmed.substr(equals + 1));
    if (section == Section::Layout) {
      SetLayoutValue(settings.layouts.back(), key, value, at);
    } else {
      settings.accountLayouts[key] = Unquoted(value, at);
    }
  }
  finishLayout(LineReader(fileName, number));
  return settings;
}

}  // namespace volarin

namespace volarin {

LayoutSettings ReadLayoutSettings(const std::string& dataDir) {
  const std::string found = FindFileIgnoringCase(JoinPath(dataDir, kLayoutFileName));
  if (found.empty()) return {};
  const std::unique_ptr<platform::File> file =
      platform::File::Open(found, platform::File::Access::ReadOnly, platform::File::Share::Shared);
  std::string text(static_cast<size_t>(file->Size()), '\0');
  text.resize(file->ReadAt(0, text.data(), text.size()));
  return ParseLayoutSettings(text, found);
}

void WriteLayoutSettings(const std::string& dataDir, const LayoutSettings& settings) {
  const std::string text = LayoutSettingsText(settings);
  std::string path = FindFileIgnoringCase(JoinPath(dataDir, kLayoutFileName));
  if (path.empty()) path = JoinPath(dataDir, kLayoutFileName);
  // Written beside it and renamed into place, so a failed write keeps the earlier layouts.
  PendingFile file(path);
  file.Write(text);
  file.PutInPlace();
}

}  // namespace volarin
