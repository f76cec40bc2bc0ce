// libFuzzer target: any text as a dBASE expression against a fixed check-register layout.
// Parsing never crashes; a parsed expression evaluates on blank, sample and fuzzed records.
#include <cstdint>
#include <string>

#include "dbf/errors.h"
#include "dbf/expression.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace volarin::dbf;
  static const RecordLayout layout({{"ACCOUNTNR", 'C', 15, 0, 0},
                                    {"CHECKNO", 'N', 10, 0, 0},
                                    {"DATE", 'D', 8, 0, 0},
                                    {"NAME", 'C', 12, 0, 0},
                                    {"AMOUNT", 'N', 12, 2, 0},
                                    {"PAID", 'L', 1, 0, 0}});
  static const std::string sample = " 100200300            100120240315Smith            1250.50T";
  const std::string text(reinterpret_cast<const char*>(data), size);
  ExpressionOptions options;
  options.exact = size % 2 == 1;
  ParseResult parsed = Expression::Parse(text, layout, options);
  if (!parsed) return 0;
  const Expression& e = *parsed.expression;
  std::string fuzzedBytes = layout.BlankRecord();
  for (size_t i = 0; i < fuzzedBytes.size() && i < size; ++i)
    fuzzedBytes[i] = static_cast<char>(data[size - 1 - i]);
  const std::string blank = layout.BlankRecord();
  const std::string& fuzzed = fuzzedBytes;
  for (const std::string* record : {&blank, &sample, &fuzzed}) {
    const RecordView view{&layout, *record, 3};
    (void)e.Text(view);
    switch (e.Type()) {
      case 'L':
        (void)e.IsTrue(view);
        break;
      case 'N':
        (void)e.Number(view);
        break;
      case 'D':
        (void)e.DateValue(view);
        break;
      default:
        break;
    }
  }
  return 0;
}
