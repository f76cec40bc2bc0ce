#pragma once
// The .DBT memo file of a table: block 0 holds the next free block and the block size; a dBASE IV
// memo starts with FF FF 08 00 and its length (header included), a dBASE III memo is text ended
// by 0x1A. Memo fields in the table hold the number of the memo's first block.

#include <cstdint>
#include <memory>
#include <string>

namespace volarin::platform {
class File;
}

namespace volarin::dbf {

class MemoFile {
 public:
  // Opens the memo file with the table's access and share mode. Throws Error (kErrorOpen) when it
  // cannot be opened, FormatError when its header is damaged.
  static std::unique_ptr<MemoFile> Open(const std::string& path, bool writable, bool exclusive);
  // Writes an empty memo file with one header block.
  static void Create(const std::string& path);
  ~MemoFile();

  const std::string& Path() const { return path_; }
  // The text of the memo starting at `block`; empty for block 0. FormatError for a memo that
  // lies outside the file or has a damaged header.
  std::string Read(uint32_t block) const;
  // Forgets every memo (after a zap of every record): one header block, next free block 1.
  void Reset();

  // The memo file that goes with a table: same name, extension DBT in the case of the DBF's.
  static std::string PathFor(const std::string& tablePath);

 private:
  MemoFile(std::unique_ptr<platform::File> file, std::string path);
  std::unique_ptr<platform::File> file_;
  std::string path_;
  uint32_t blockSize_ = 512;
};

// The block number a memo field holds (digits padded with blanks or zeros); 0 for none.
// Throws FormatError naming `path` for other text.
uint32_t MemoBlockOf(const std::string& stored, const std::string& path);

}  // namespace volarin::dbf
