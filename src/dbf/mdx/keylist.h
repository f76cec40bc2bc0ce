#pragma once
// A flat list of (key, record number) pairs of one key length: what a bulk build consumes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace volarin::dbf {

class KeyList {
 public:
  explicit KeyList(int keyLength) : keyLength_(static_cast<size_t>(keyLength)) {}
  void Reserve(size_t count) {
    bytes_.reserve(count * keyLength_);
    recnos_.reserve(count);
  }
  // The key is blank-padded or cut to the key length.
  void Add(std::string_view key, uint32_t recno) {
    const size_t n = key.size() < keyLength_ ? key.size() : keyLength_;
    bytes_.append(key.data(), n);
    bytes_.append(keyLength_ - n, ' ');
    recnos_.push_back(recno);
  }
  size_t Size() const { return recnos_.size(); }
  size_t KeyLength() const { return keyLength_; }
  const uint8_t* Key(size_t i) const {
    return reinterpret_cast<const uint8_t*>(bytes_.data()) + i * keyLength_;
  }
  uint32_t RecNo(size_t i) const { return recnos_[i]; }
  // Takes back the last pair added (a record whose key changed before it was put in).
  void RemoveLast() {
    bytes_.resize(bytes_.size() - keyLength_);
    recnos_.pop_back();
  }

 private:
  size_t keyLength_;
  std::string bytes_;
  std::vector<uint32_t> recnos_;
};

}  // namespace volarin::dbf
