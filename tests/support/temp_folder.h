#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it at the end.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

namespace volarin::testing {

class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const std::filesystem::path candidate = base / ("vpp-" + std::to_string(random() % 1000000));
      std::error_code ec;
      if (std::filesystem::create_directory(candidate, ec)) path_ = candidate.string();
    }
    if (path_.empty()) throw std::runtime_error("cannot make a temporary folder");
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  // The folder's path joined with the name by the platform's separator.
  std::string operator/(const std::string& name) const {
    return (std::filesystem::path(path_) / name).string();
  }

  // Writes a file under the folder and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string path = *this / name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

 private:
  std::string path_;
};

// Takes every write permission away; on Windows that sets the read-only attribute.
inline void MakeReadOnly(const std::string& path) {
  using std::filesystem::perms;
  std::filesystem::permissions(path, perms::owner_write | perms::group_write | perms::others_write,
                               std::filesystem::perm_options::remove);
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file's contents with the bytes.
inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace volarin::testing
