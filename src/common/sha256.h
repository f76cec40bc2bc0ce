#pragma once
// SHA-256 (FIPS 180-4) of bytes and of files, fed in pieces so a file of any size is hashed in a
// fixed amount of memory. The history keeps the digest of each Positive Pay file it records.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace volarin {

class Sha256 {
 public:
  using Digest = std::array<uint8_t, 32>;

  Sha256();
  void Update(const void* data, size_t size);
  void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
  // Pads the message and returns the digest; the object starts afresh afterwards.
  Digest Finish();

 private:
  void Reset();
  void Compress(const uint8_t* block);

  std::array<uint32_t, 8> state_{};
  std::array<uint8_t, 64> block_{};
  size_t blockUsed_ = 0;
  uint64_t totalBytes_ = 0;
};

// The digest as 64 lower-case hexadecimal digits.
std::string DigestHex(const Sha256::Digest& digest);
std::string Sha256Hex(std::string_view bytes);
// Reads the file through the platform layer in blocks. Throws FileError ("Cannot open file %s",
// or "Stream read error" with the file) when it cannot be read.
std::string FileSha256Hex(const std::string& path);

}  // namespace volarin
