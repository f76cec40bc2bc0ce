#include "dbf/memofile.h"

#include "common/platform.h"
#include "common/text.h"
#include "dbf/errors.h"

namespace volarin::dbf {
namespace {

constexpr uint32_t kDefaultBlockSize = 512;
constexpr uint64_t kMaxMemo = 64ull << 20;  // a memo text beyond this is taken as damage

uint32_t Le32(const unsigned char* b) {
  return b[0] | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
         static_cast<uint32_t>(b[3]) << 24;
}

[[noreturn]] void Damaged(const std::string& path, const std::string& what) {
  throw FormatError(kErrorFormat, "Memo file " + path + " is damaged: " + what + ".");
}

std::string HeaderBlock() {
  std::string b(kDefaultBlockSize, '\0');
  b[0] = 1;  // next free block
  b[20] = static_cast<char>(kDefaultBlockSize & 0xFF);
  b[21] = static_cast<char>(kDefaultBlockSize >> 8);
  return b;
}

}  // namespace

MemoFile::MemoFile(std::unique_ptr<platform::File> file, std::string path)
    : file_(std::move(file)), path_(std::move(path)) {}
MemoFile::~MemoFile() = default;

std::string MemoFile::PathFor(const std::string& tablePath) {
  const size_t dot = tablePath.find_last_of('.');
  const size_t slash = tablePath.find_last_of("/\\");
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string base = hasExtension ? tablePath.substr(0, dot) : tablePath;
  const bool lower = hasExtension && dot + 1 < tablePath.size() && tablePath[dot + 1] >= 'a' &&
                     tablePath[dot + 1] <= 'z';
  const std::string wanted = base + (lower ? ".dbt" : ".DBT");
  if (platform::FileExists(wanted)) return wanted;
  const std::string other = base + (lower ? ".DBT" : ".dbt");
  return platform::FileExists(other) ? other : wanted;
}

std::unique_ptr<MemoFile> MemoFile::Open(const std::string& path, bool writable, bool exclusive) {
  std::unique_ptr<platform::File> file;
  try {
    file = platform::File::Open(
        path, writable ? platform::File::Access::ReadWrite : platform::File::Access::ReadOnly,
        exclusive ? platform::File::Share::Exclusive : platform::File::Share::Shared);
  } catch (const volarin::Error& e) {
    throw Error(kErrorOpen, std::string("Cannot open memo file: ") + e.what());
  }
  unsigned char head[24] = {};
  if (file->ReadAt(0, head, sizeof head) < sizeof head)
    Damaged(path, "it is shorter than its header");
  std::unique_ptr<MemoFile> memo(new MemoFile(std::move(file), path));
  const uint32_t size = head[20] | static_cast<uint32_t>(head[21]) << 8;
  memo->blockSize_ = size == 0 ? kDefaultBlockSize : size;
  if (memo->blockSize_ < 16)
    Damaged(path, "its block size " + std::to_string(size) + " is impossible");
  return memo;
}

void MemoFile::Create(const std::string& path) {
  auto file = platform::File::Create(path);
  const std::string header = HeaderBlock();
  file->WriteAt(0, header.data(), header.size());
}

void MemoFile::Reset() {
  const std::string header = HeaderBlock();
  file_->Truncate(0);
  file_->WriteAt(0, header.data(), header.size());
  blockSize_ = kDefaultBlockSize;
}

std::string MemoFile::Read(uint32_t block) const {
  if (block == 0) return {};
  const uint64_t size = file_->Size();
  const uint64_t offset = static_cast<uint64_t>(block) * blockSize_;
  if (offset >= size)
    Damaged(path_, "memo block " + std::to_string(block) + " lies beyond its end");
  unsigned char head[8] = {};
  const size_t got = file_->ReadAt(offset, head, sizeof head);
  if (got == sizeof head && head[0] == 0xFF && head[1] == 0xFF && head[2] == 0x08 &&
      head[3] == 0x00) {
    const uint32_t length = Le32(head + 4);
    if (length < 8 || offset + length > size || length - 8 > kMaxMemo) {
      Damaged(path_, "memo block " + std::to_string(block) + " gives a length of " +
                         std::to_string(length));
    }
    std::string text(length - 8, '\0');
    if (file_->ReadAt(offset + 8, text.data(), text.size()) != text.size()) {
      Damaged(path_, "memo block " + std::to_string(block) + " is cut short");
    }
    return text;
  }
  // dBASE III form: the text runs to the first 0x1A.
  std::string text;
  uint64_t at = offset;
  char chunk[512];
  while (at < size && text.size() <= kMaxMemo) {
    const size_t n = file_->ReadAt(at, chunk, sizeof chunk);
    if (n == 0) break;
    for (size_t i = 0; i < n; ++i) {
      if (chunk[i] == 0x1A) return text;
      text += chunk[i];
    }
    at += n;
  }
  if (text.size() > kMaxMemo) Damaged(path_, "memo block " + std::to_string(block) + " has no end");
  return text;
}

uint32_t MemoBlockOf(const std::string& stored, const std::string& path) {
  uint64_t block = 0;
  for (char c : stored) {
    if (c == ' ' || c == '\0') continue;
    if (!IsDigit(c)) {
      throw FormatError(kErrorFormat,
                        "Table " + path + " is damaged: a memo field holds \"" + stored + "\".");
    }
    block = block * 10 + static_cast<uint64_t>(c - '0');
    if (block > 0xFFFFFFFFull) {
      throw FormatError(kErrorFormat, "Table " + path + " is damaged: memo block " + stored +
                                          " is out of range.");
    }
  }
  return static_cast<uint32_t>(block);
}

}  // namespace volarin::dbf
