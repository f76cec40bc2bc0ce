#include "dbf/recordchunks.h"

#include <algorithm>
#include <cstring>

namespace volarin::dbf {
namespace {

constexpr size_t kChunkBytes = 4096;
constexpr size_t kChunks = 8;

}  // namespace

void RecordChunks::SetRecordLength(size_t length) {
  length_ = std::max<size_t>(1, length);
  perChunk_ = static_cast<uint32_t>(std::max<size_t>(1, kChunkBytes / length_));
  chunks_.assign(kChunks, Chunk{});
  for (Chunk& chunk : chunks_) chunk.bytes.assign(perChunk_ * length_, '\0');
  next_ = 0;
  unusedLoads_ = 0;
}

const char* RecordChunks::Find(uint32_t recno) {
  for (const Chunk& chunk : chunks_) {
    if (recno >= chunk.first && recno - chunk.first < chunk.count) {
      unusedLoads_ = 0;
      return chunk.bytes.data() + (recno - chunk.first) * length_;
    }
  }
  return nullptr;
}

// A lone record and a later run may both hold a record: every copy is kept true.
void RecordChunks::Update(uint32_t recno, const char* bytes) {
  for (Chunk& chunk : chunks_) {
    if (recno >= chunk.first && recno - chunk.first < chunk.count) {
      std::memcpy(chunk.bytes.data() + (recno - chunk.first) * length_, bytes, length_);
    }
  }
}

void RecordChunks::Forget(uint32_t recno) {
  for (Chunk& chunk : chunks_) {
    if (recno >= chunk.first && recno - chunk.first < chunk.count) chunk.count = 0;
  }
}

void RecordChunks::Clear() {
  for (Chunk& chunk : chunks_) chunk.count = 0;
}

}  // namespace volarin::dbf
