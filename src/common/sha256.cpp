#include "common/sha256.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "common/errors.h"
#include "common/platform.h"

namespace volarin {
namespace {

constexpr std::array<uint32_t, 64> kRoundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr uint32_t RotateRight(uint32_t x, int n) {
  return (x >> n) | (x << (32 - n));
}

}  // namespace

Sha256::Sha256() {
  Reset();
}

void Sha256::Reset() {
  state_ = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
            0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  blockUsed_ = 0;
  totalBytes_ = 0;
}

void Sha256::Compress(const uint8_t* block) {
  std::array<uint32_t, 64> w;
  for (int i = 0; i < 16; ++i) {
    w[i] = static_cast<uint32_t>(block[4 * i]) << 24 |
           static_cast<uint32_t>(block[4 * i + 1]) << 16 |
           static_cast<uint32_t>(block[4 * i + 2]) << 8 | static_cast<uint32_t>(block[4 * i + 3]);
  }
  for (int i = 16; i < 64; ++i) {
    const uint32_t s0 = RotateRight(w[i - 15], 7) ^ RotateRight(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const uint32_t s1 = RotateRight(w[i - 2], 17) ^ RotateRight(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
  for (int i = 0; i < 64; ++i) {
    const uint32_t s1 = RotateRight(e, 6) ^ RotateRight(e, 11) ^ RotateRight(e, 25);
    const uint32_t choice = (e & f) ^ (~e & g);
    const uint32_t t1 = h + s1 + choice + kRoundConstants[i] + w[i];
    const uint32_t s0 = RotateRight(a, 2) ^ RotateRight(a, 13) ^ RotateRight(a, 22);
    const uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
    const uint32_t t2 = s0 + majority;
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
  state_[4] += e;
  state_[5] += f;
  state_[6] += g;
  state_[7] += h;
}

void Sha256::Update(const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  totalBytes_ += size;
  if (blockUsed_ > 0) {
    const size_t take = std::min(size, block_.size() - blockUsed_);
    std::memcpy(block_.data() + blockUsed_, bytes, take);
    blockUsed_ += take;
    bytes += take;
    size -= take;
    if (blockUsed_ < block_.size()) return;
    Compress(block_.data());
    blockUsed_ = 0;
  }
  for (; size >= block_.size(); bytes += block_.size(), size -= block_.size()) Compress(bytes);
  std::memcpy(block_.data(), bytes, size);
  blockUsed_ = size;
}

Sha256::Digest Sha256::Finish() {
  const uint64_t bitLength = totalBytes_ * 8;
  static constexpr uint8_t kPadding[64] = {0x80};
  // The 0x80 byte, zeros up to 56 bytes into a block, then the length in bits, big-endian.
  const size_t padding = blockUsed_ < 56 ? 56 - blockUsed_ : 120 - blockUsed_;
  Update(kPadding, padding);
  uint8_t length[8];
  for (int i = 0; i < 8; ++i) length[i] = static_cast<uint8_t>(bitLength >> (56 - 8 * i));
  Update(length, sizeof length);
  Digest digest;
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<uint8_t>(state_[i] >> (24 - 8 * j));
  }
  Reset();
  return digest;
}

std::string DigestHex(const Sha256::Digest& digest) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  text.reserve(digest.size() * 2);
  for (const uint8_t byte : digest) {
    text += kHex[byte >> 4];
    text += kHex[byte & 0x0F];
  }
  return text;
}

std::string Sha256Hex(std::string_view bytes) {
  Sha256 hash;
  hash.Update(bytes);
  return DigestHex(hash.Finish());
}

std::string FileSha256Hex(const std::string& path) {
  std::unique_ptr<platform::File> file;
  try {
    file =
        platform::File::Open(path, platform::File::Access::ReadOnly, platform::File::Share::Shared);
  } catch (const FileError&) {
    throw FileError("Cannot open file " + path);
  }
  Sha256 hash;
  std::vector<char> block(64 * 1024);
  for (uint64_t offset = 0;;) {
    size_t got;
    try {
      got = file->ReadAt(offset, block.data(), block.size());
    } catch (const FileError& e) {
      throw FileError(std::string("Stream read error: ") + e.what());
    }
    hash.Update(block.data(), got);
    offset += got;
    if (got < block.size()) break;
  }
  return DigestHex(hash.Finish());
}

}  // namespace volarin
