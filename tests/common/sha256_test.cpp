// SHA-256 against the published test vectors, message lengths around the padding boundary, input
// fed in pieces of every awkward size, and files read in blocks.
#include "common/sha256.h"

#include <gtest/gtest.h>

#include <string>

#include "common/errors.h"
#include "support/temp_folder.h"

namespace volarin {
namespace {

struct Vector {
  std::string message;
  const char* digest;
};

const std::string kTwoBlockMessage = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string kLongMessage =
    "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmno"
    "pqrsmnopqrstnopqrstu";
const char* const kMillionADigest =
    "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";

TEST(Sha256, PublishedVectorsAndLengthsAroundThePadding) {
  const Vector vectors[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {kTwoBlockMessage, "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {kLongMessage, "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      // 55 bytes still fit the length in their block, 56 do not; 64 fill a block exactly.
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {std::string(119, 'a'), "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
      {std::string(1000000, 'a'), kMillionADigest},
  };
  for (const Vector& v : vectors) {
    EXPECT_EQ(Sha256Hex(v.message), v.digest) << v.message.size() << " bytes";
  }
}

TEST(Sha256, PiecesOfAnySizeGiveTheDigestOfTheWhole) {
  const std::string message = kLongMessage + kTwoBlockMessage + kLongMessage;
  const std::string whole = Sha256Hex(message);
  for (const size_t piece : {1u, 3u, 55u, 63u, 64u, 65u, 127u}) {
    Sha256 hash;
    for (size_t at = 0; at < message.size(); at += piece) {
      hash.Update(std::string_view(message).substr(at, piece));
    }
    EXPECT_EQ(DigestHex(hash.Finish()), whole) << "pieces of " << piece;
  }
  // Finish starts afresh, so the object hashes the next message on its own.
  Sha256 reused;
  reused.Update("something else");
  reused.Finish();
  reused.Update("abc");
  EXPECT_EQ(DigestHex(reused.Finish()),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Sha256, FilesAreHashedAcrossManyReadBlocks) {
  testing::TempFolder folder;
  EXPECT_EQ(FileSha256Hex(folder.Write("million.txt", std::string(1000000, 'a'))), kMillionADigest);
  EXPECT_EQ(FileSha256Hex(folder.Write("empty.txt", "")),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(Sha256, AMissingFileIsAFileErrorNamingIt) {
  testing::TempFolder folder;
  const std::string path = folder / "missing.txt";
  try {
    FileSha256Hex(path);
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + path);
  }
}

}  // namespace
}  // namespace volarin
