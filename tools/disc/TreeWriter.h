#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace trv::disc {

struct TreeOptions {
  bool compressFiles = true;      // false: --store-only
  bool compressDirectory = true;  // false: --plain-directory
};

// Writes a packed interface tree. Names are kept in the tree's upper-case
// normal form, at most 64 bytes; two names that are equal in that form are
// refused, naming both. Each folder's entries are contiguous and sorted by
// name; the root is folder 0 and folders are numbered breadth first. A file is
// compressed only when that makes it smaller, since a stored size equal to the
// unpacked size means "stored plain".
class TreeWriter {
 public:
  TreeWriter();
  ~TreeWriter();

  // `path` is CP1251 with "\" or "/" between components; missing folders are
  // made on the way (matched by normal form). Throws DiscError on a bad or
  // duplicate name.
  void AddFile(const std::string& path, std::vector<std::uint8_t> bytes);
  void AddFolder(const std::string& path);
  // Every file and folder under `dir`; names go from UTF-8 to CP1251.
  void AddDirectory(const std::filesystem::path& dir);

  std::vector<std::uint8_t> Build(const TreeOptions& options = {}) const;
  void Write(const std::filesystem::path& out, const TreeOptions& options = {}) const;

 private:
  struct Node {
    std::string name;  // as given, for messages
    std::string path;  // as given, for messages
    bool folder = true;
    std::vector<std::uint8_t> bytes;
    std::map<std::string, std::unique_ptr<Node>> children;  // by normal form
  };
  Node& Child(Node& parent, const std::string& name, bool folder);
  Node& FolderFor(const std::vector<std::string>& parts);
  void AddTree(Node& node, const std::filesystem::path& dir);

  std::unique_ptr<Node> root_;
};

}  // namespace trv::disc
