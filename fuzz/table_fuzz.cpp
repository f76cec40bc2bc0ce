// libFuzzer target: any bytes as a .DBF file. Opening either fails with an engine error or
// gives a table whose every record and field reads inside the file.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "dbf/expression.h"
#include "dbf/table.h"

namespace {

std::string FuzzFile() {
  static const std::string path = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "dbf-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern + "/input.dbf";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = FuzzFile();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  using namespace volarin::dbf;
  Context context;
  try {
    auto table = Table::Open(context, path, OpenOptions{false, true});
    int steps = 0;
    for (table->Top(); !table->Eof() && steps < 2000; table->Skip(), ++steps) {
      for (int f = 0; f < table->FieldCount(); ++f) {
        (void)table->StoredText(f);
        (void)table->AsDouble(f);
        (void)table->AsDate(f);
        if (table->Field(f).type == 'M') {
          try {
            (void)table->MemoText(f);
          } catch (const Error&) {
          }
        }
      }
    }
    table->Bottom();
    table->Skip(-3);
    // The first field as a key expression, evaluated on the current record.
    ParseResult key = Expression::Parse(table->Field(0).name, *table);
    if (key) (void)key.expression->Text(table->Current());
  } catch (const Error&) {
  }
  return 0;
}
