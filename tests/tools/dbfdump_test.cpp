// dbfdump run as a program on example tables and on tables the engine makes.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "dbf/mdx/tableindex.h"
#include "dbf/table.h"
#include "support/example_files.h"
#include "support/run_program.h"
#include "support/temp_folder.h"

namespace volarin::dbf {
namespace {

using ::volarin::testing::CopyExample;
using ::volarin::testing::TempFolder;

struct DumpRun {
  int status;
  std::string out;
};

DumpRun Dump(const std::vector<std::string>& arguments) {
  const testing::ProgramRun run = testing::RunProgram(DBFDUMP_PATH, arguments);
  return {run.exitCode, run.output + run.errors};
}

// The example table and its index, copied; returns the table's path.
std::string CopyExampleTable(const TempFolder& dir, const std::string& name) {
  CopyExample(dir, name + ".mdx");
  return CopyExample(dir, name + ".dbf");
}

TEST(Dbfdump, PrintsTableRecordsAndTagsLineByLine) {
  TempFolder dir;
  const DumpRun run = Dump({CopyExampleTable(dir, "tiny")});
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out,
            "TABLE tiny.dbf\n"
            "RECORDS 3\n"
            "FIELD PAYEE C 12 0\n"
            "FIELD CHECKNO N 10 0\n"
            "FIELD ISSUED D 8 0\n"
            "REC 1   Smith       |      1234|20240315\n"
            "REC 2   adams       |         5|19991231\n"
            "REC 3   Jones       |      1250|20240102\n"
            "TAG PAYEE C 12 0 0 UPPER(PAYEE)\n"
            "KEY 2 ADAMS\n"
            "KEY 3 JONES\n"
            "KEY 1 SMITH\n"
            "TAG CHECKNO N 12 0 0 CHECKNO\n"
            "KEY 2 5\n"
            "KEY 1 1234\n"
            "KEY 3 1250\n");
}

TEST(Dbfdump, ShowsDeletionMarksAndTagFlags) {
  TempFolder dir;
  const DumpRun run = Dump({CopyExampleTable(dir, "checks")});
  ASSERT_EQ(run.status, 0) << run.out;
  for (const char* line : {"\nREC 6 * ", "\nREC 5   ", "\nTAG AMOUNTD N 12 0 1 AMOUNT\n",
                           "\nTAG ACCTU C 15 1 0 ACCOUNTNR\n", "\nKEY 1 1250.5\nKEY 6 1250.5\n",
                           "\nKEY 2 0\nKEY 7 -5\n", "\nKEY 4 100200300             999\n"}) {
    EXPECT_NE(run.out.find(line), std::string::npos) << line;
  }
}

TEST(Dbfdump, PrintsDateKeysAsDigits) {
  TempFolder dir;
  Context context;
  auto table =
      Table::Create(context, dir / "dates.dbf", {{"DUE", 'D', 8, 0}, {"AMOUNT", 'N', 8, 2}});
  for (const char* due : {"20240315", "", "19991231"}) {
    table->StartAppend();
    if (*due) table->AssignDate(0, *Date::FromDigits(due));
    table->AssignNumber(1, -0.25);
    table->Append();
  }
  CreateProductionIndex(*table,
                        {{"DUE", "DUE", "", false, false}, {"AMOUNT", "AMOUNT", "", false, false}});
  table->Close();
  const DumpRun run = Dump({dir / "dates.dbf"});
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("TAG DUE D 8 0 0 DUE\nKEY 2 \nKEY 3 19991231\nKEY 1 20240315\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("KEY 1 -0.25\n"), std::string::npos) << run.out;
}

TEST(Dbfdump, CheckPassesSoundIndexesAndNamesTheFirstFault) {
  TempFolder dir;
  for (const char* name : {"tiny", "checks", "tree2"}) {
    const DumpRun run = Dump({"--check", CopyExampleTable(dir, name)});
    EXPECT_EQ(run.status, 0) << name << ": " << run.out;
  }
  // A record changed behind the index's back: CHECKNO 1234 -> 1235 in tiny.dbf (record 1).
  const std::string tiny = dir / "tiny.dbf";
  std::string bytes;
  {
    std::ifstream in(tiny, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const size_t at = bytes.find("      1234");
  ASSERT_NE(at, std::string::npos);
  bytes[at + 9] = '5';
  std::ofstream(tiny, std::ios::binary | std::ios::trunc) << bytes;
  DumpRun run = Dump({"--check", tiny});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out.rfind("FAULT tag CHECKNO: record 1", 0), 0u) << run.out;

  // A damaged index file fails the check too.
  const std::string mdx = dir / "tree2.mdx";
  {
    std::fstream file(mdx, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(4096);
    const char count[4] = {char(0xE8), 3, 0, 0};  // 1000 keys in one leaf
    file.write(count, 4);
  }
  run = Dump({"--check", dir / "tree2.dbf"});
  EXPECT_EQ(run.status, 1);
#ifdef _WIN32
  // Windows finds the index under any case of its name, and names it as it looked for it.
  auto folded = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
  };
  EXPECT_NE(folded(run.out).find(folded(mdx)), std::string::npos) << run.out;
#else
  EXPECT_NE(run.out.find(mdx), std::string::npos) << run.out;
#endif
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The tag lines of a dump: definitions and keys, which a rebuild must give back unchanged.
std::string TagLines(const std::string& dump) {
  return dump.substr(dump.find("\nTAG ") + 1);
}

TEST(Dbfdump, RebuildRestoresADamagedIndexFromTheTagsInItsHeader) {
  TempFolder dir;
  const std::string table = CopyExampleTable(dir, "tree2");
  const std::string mdx = dir / "tree2.mdx";
  const std::string sound = TagLines(Dump({table}).out);
  {
    std::fstream file(mdx, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(4096);
    const char count[4] = {char(0xE8), 3, 0, 0};  // 1000 keys in one leaf
    file.write(count, 4);
  }
  const std::string damaged = ReadAll(mdx);
  ASSERT_EQ(Dump({"--check", table}).status, 1);

  const DumpRun run = Dump({"--rebuild", table});
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("tags read from the index file"), std::string::npos) << run.out;
  EXPECT_EQ(ReadAll(mdx + ".bak"), damaged);
  EXPECT_EQ(Dump({"--check", table}).status, 0);
  EXPECT_EQ(TagLines(Dump({table}).out), sound);
}

TEST(Dbfdump, RebuildTakesTheKnownTagsWhenTheIndexHeaderIsGoneAndRefusesUnknownTables) {
  TempFolder dir;
  for (const char* name : {"zorppsub.dbf", "other.dbf"}) {
    Context context;
    auto t = Table::Create(
        context, dir / name,
        {{"ORGACCNR", 'C', 15, 0}, {"NEWACCNR", 'C', 15, 0}, {"BANKCODE", 'C', 15, 0}});
    for (const char* account : {"ESC200", "ESC100"}) {
      t->StartAppend();
      t->AssignBytes(0, account);
      t->Append();
    }
    CreateProductionIndex(*t, {{"accountnr", "UPPER(ORGACCNR)", "", false, false}});
    t->Close();
    std::filesystem::resize_file(ProductionIndexPath(dir / name), 10);
  }
  DumpRun run = Dump({"--rebuild", dir / "zorppsub.dbf"});
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("tags read from the tags known for this table"), std::string::npos)
      << run.out;
  EXPECT_EQ(ReadAll(ProductionIndexPath(dir / "zorppsub.dbf") + ".bak").size(), 10u);
  run = Dump({"--check", dir / "zorppsub.dbf"});
  EXPECT_EQ(run.out, "OK 1 tags agree with 2 records\n");

  run = Dump({"--rebuild", dir / "other.dbf"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.out.find("No tags are known for"), std::string::npos) << run.out;
  EXPECT_EQ(std::filesystem::file_size(ProductionIndexPath(dir / "other.dbf")), 10u);
}

TEST(Dbfdump, RefusesMissingFilesAndBadArguments) {
  TempFolder dir;
  EXPECT_EQ(Dump({dir / "none.dbf"}).status, 2);
  EXPECT_EQ(Dump({}).status, 2);
  EXPECT_EQ(Dump({"--bogus", "x.dbf"}).status, 2);
  EXPECT_EQ(Dump({"--check", "--rebuild", "x.dbf"}).status, 2);
}

}  // namespace
}  // namespace volarin::dbf
