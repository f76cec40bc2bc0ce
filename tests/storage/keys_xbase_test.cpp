// The keys in the fixture's tags, and in tags the cursor kept up to date while appending, read by
// an independent reader (Perl's XBase::Index): each equals the key the program builds for its
// record, so the program's seeks find what the suite's indexes hold.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

#include "storage/filecase.h"
#include "storage/keys.h"
#include "storage_test_support.h"
#include "support/perl_script.h"

namespace volarin {
namespace {

using testing::StorageSetup;
using testing::Ymd;

constexpr const char* kReader = R"(use strict; use XBase::Index;
my $i = XBase::Index->new($ARGV[0], tag => $ARGV[1]) or die XBase::Index->errstr;
$i->prepare_select;
while (my ($key, $recno) = $i->fetch) { print $recno, "|", $key, "\n"; }
)";

bool XBaseAvailable() {
  return std::system("perl -MXBase::Index -e 1 >/dev/null 2>&1") == 0;
}

// recno -> key, as the independent reader walks the tag; nullopt (with the reader's complaint
// on stderr) when it cannot read it.
std::optional<std::map<uint32_t, std::string>> KeysOf(const StorageSetup& setup,
                                                      const std::string& index,
                                                      const std::string& tag) {
  const testing::ScriptRun run = testing::RunPerlScript(
      setup.folder.Path(), kReader, {FindFileIgnoringCase(setup.Path(index)), tag});
  if (!run.ok) {
    std::fprintf(stderr, "%s\n", run.output.c_str());
    return std::nullopt;
  }
  const std::string& out = run.output;
  std::map<uint32_t, std::string> keys;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t bar = line.find('|');
    keys[static_cast<uint32_t>(std::stoul(line.substr(0, bar)))] = line.substr(bar + 1);
  }
  return keys;
}

TEST(KeysCrossCheck, TagsHoldTheKeysTheProgramBuilds) {
  VPP_SKIP_WITHOUT_PERL_READER();
  fixtures::DataFolderRows rows;
  rows.escrow = {{.checkNo = 1234, .accountNr = "acc1"},
                 {.checkNo = 9999999999, .accountNr = "Longer-Account-Number"},
                 {.checkNo = 7, .accountNr = "b"}};
  rows.checkRegister = {{"BANK1", 1234, Ymd(2024, 1, 15)}, {"BANK22", 2147483648}};
  StorageSetup setup(rows);
  // Two more register records appended through the cursor, which keeps the tags.
  auto reg = setup.Cursor("zorppay", true);
  reg->Open();
  for (int64_t check : {int64_t{5}, int64_t{9999999999}}) {
    reg->AppendBlank();
    reg->AssignString("ACCOUNTNR", "BANK3");
    reg->AssignInt64("CHECKNO", check);
    reg->SaveEdit();
  }
  reg->Close();

  if (!XBaseAvailable()) GTEST_SKIP() << "Perl's XBase module is not installed";
  const auto escrow = KeysOf(setup, "zordis.MDX", "ACCCHECK");
  const auto reg_keys = KeysOf(setup, "zorppay.MDX", "ACCOUNTNR");
  ASSERT_TRUE(escrow && reg_keys);
  EXPECT_EQ(*escrow, (std::map<uint32_t, std::string>{
                         {1, EscrowCheckKey("acc1", 1234)},
                         {2, EscrowCheckKey("Longer-Account-Number", 9999999999)},
                         {3, EscrowCheckKey("b", 7)}}));
  EXPECT_EQ(*reg_keys, (std::map<uint32_t, std::string>{{1, RegisterKey("BANK1", 1234)},
                                                        {2, RegisterKey("BANK22", 2147483648)},
                                                        {3, RegisterKey("BANK3", 5)},
                                                        {4, RegisterKey("BANK3", 9999999999)}}));
}

}  // namespace
}  // namespace volarin
