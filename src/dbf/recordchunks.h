#pragma once
// A few small runs of records kept from reads that jumped about the file (a walk in tag order,
// seeks, going back to where a seek started): the next record wanted there is often in one of
// them, which spares a read of its own. The copies follow the same rule as the table's
// read-ahead block: another program's change is seen after a refresh or a lock of the record.

#include <algorithm>
#include <cstdint>
#include <vector>

namespace volarin::dbf {

class RecordChunks {
 public:
  // Runs of about 4 KiB each, aligned to multiples of their record count.
  void SetRecordLength(size_t length);

  // The bytes of the record when a run holds it, else nullptr.
  const char* Find(uint32_t recno);
  // Reads the run holding the record (never past `recordCount`) through
  // read(first, count, out) and returns the record's bytes. A read that throws leaves nothing.
  template <typename Read>
  const char* Load(uint32_t recno, uint32_t recordCount, Read read) {
    Chunk& chunk = chunks_[next_];
    next_ = (next_ + 1) % chunks_.size();
    chunk.count = 0;
    // While no kept run serves a later read (a walk over scattered records), read the one
    // record only: a run would cost more than it spares.
    const bool scattered = unusedLoads_ >= chunks_.size();
    const uint32_t first = scattered ? recno : (recno - 1) / perChunk_ * perChunk_ + 1;
    const uint32_t count = scattered ? 1 : std::min<uint32_t>(perChunk_, recordCount - first + 1);
    ++unusedLoads_;
    read(first, count, chunk.bytes.data());
    chunk.first = first;
    chunk.count = count;
    return chunk.bytes.data() + (recno - first) * length_;
  }
  // A record written here: every copy of it takes the new bytes.
  void Update(uint32_t recno, const char* bytes);
  // A record that may have changed elsewhere: its copies are forgotten.
  void Forget(uint32_t recno);
  void Clear();

 private:
  struct Chunk {
    uint32_t first = 0;
    uint32_t count = 0;
    std::vector<char> bytes;
  };
  std::vector<Chunk> chunks_;
  size_t length_ = 1;
  uint32_t perChunk_ = 1;
  size_t next_ = 0;
  size_t unusedLoads_ = 0;  // runs read since a kept run last served a read
};

}  // namespace volarin::dbf
