#include "disc/TreeWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "disc/DiscError.h"
#include "disc/DiscFiles.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "store/PackedTree.h"

namespace fs = std::filesystem;

namespace trv::disc {
namespace {

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& in) {
  uLongf size = compressBound(in.size());
  std::vector<std::uint8_t> out(size);
  const Bytef spare = 0;
  if (compress2(out.data(), &size, in.empty() ? &spare : in.data(), in.size(), Z_BEST_COMPRESSION) != Z_OK)
    throw DiscError("zlib could not compress " + std::to_string(in.size()) + " bytes");
  out.resize(size);
  return out;
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::string Shown(const std::string& cp1251) { return "\"" + Cp1251ToUtf8(cp1251) + "\""; }

}  // namespace

TreeWriter::TreeWriter() : root_(std::make_unique<Node>()) {}
TreeWriter::~TreeWriter() = default;

TreeWriter::Node& TreeWriter::Child(Node& parent, const std::string& name, bool folder) {
  const std::string key = NormalizePath(name);
  const std::string path = parent.path.empty() ? name : parent.path + "\\" + name;
  if (key.size() > TPackedTree::kNameSize)
    throw DiscError("the name " + Shown(path) + " is " + std::to_string(key.size()) +
                    " bytes long; a tree name holds at most 64");
  if (key.find('\0') != std::string::npos) throw DiscError("the name " + Shown(path) + " holds a zero byte");
  auto [it, added] = parent.children.try_emplace(key);
  if (!added) {
    Node& other = *it->second;
    // Folders met again on the way to another file are the same folder.
    if (folder && other.folder && other.name == name) return other;
    throw DiscError(Shown(other.path) + " and " + Shown(path) + " have the same name in the tree (" +
                    Shown(key) + ")");
  }
  it->second = std::make_unique<Node>();
  it->second->name = name;
  it->second->path = path;
  it->second->folder = folder;
  return *it->second;
}

TreeWriter::Node& TreeWriter::FolderFor(const std::vector<std::string>& parts) {
  Node* node = root_.get();
  for (const std::string& part : parts) {
    auto it = node->children.find(NormalizePath(part));
    if (it != node->children.end() && it->second->folder)
      node = it->second.get();
    else
      node = &Child(*node, part, true);
  }
  return *node;
}

void TreeWriter::AddFile(const std::string& path, std::vector<std::uint8_t> bytes) {
  std::vector<std::string> parts = SplitWindowsPath(path);
  if (parts.empty() || path.back() == '\\' || path.back() == '/')
    throw DiscError("a file needs a name: " + Shown(path));
  const std::string name = parts.back();
  parts.pop_back();
  Node& file = Child(FolderFor(parts), name, false);
  file.bytes = std::move(bytes);
}

void TreeWriter::AddFolder(const std::string& path) { FolderFor(SplitWindowsPath(path)); }

void TreeWriter::AddTree(Node& node, const fs::path& dir) {
  std::error_code ec;
  std::vector<fs::directory_entry> items;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) items.push_back(*it);
  if (ec) throw DiscError("cannot list " + dir.string() + ": " + ec.message());
  // A stable order, so that the error for two clashing names is always the same.
  std::sort(items.begin(), items.end(),
            [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
  for (const auto& item : items) {
    const std::string name = NameToCp1251(item.path().filename().string());
    if (name.find('\\') != std::string::npos)
      throw DiscError("the name \"" + item.path().string() + "\" holds a backslash, the separator of tree paths");
    std::error_code typeEc;
    if (item.is_directory(typeEc) && !item.is_symlink(typeEc)) {
      AddTree(Child(node, name, true), item.path());
    } else if (item.is_regular_file(typeEc)) {
      Child(node, name, false).bytes = ReadWholeFile(item.path(), 0xFFFFFFFFu);
    }
  }
}

void TreeWriter::AddDirectory(const fs::path& dir) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) throw DiscError(dir.string() + " is not a folder");
  AddTree(*root_, dir);
}

std::vector<std::uint8_t> TreeWriter::Build(const TreeOptions& options) const {
  std::vector<const Node*> folders{root_.get()};
  std::vector<std::uint8_t> folderTable;
  std::vector<std::uint8_t> entryTable;
  std::vector<std::uint8_t> data;
  std::uint32_t entryCount = 0;
  for (std::size_t f = 0; f < folders.size(); ++f) {
    const Node& folder = *folders[f];
    PutU32(folderTable, entryCount);
    PutU32(folderTable, static_cast<std::uint32_t>(folder.children.size()));
    for (const auto& [key, child] : folder.children) {
      char name[TPackedTree::kNameSize] = {};
      std::memcpy(name, key.data(), key.size());
      entryTable.insert(entryTable.end(), name, name + sizeof name);
      if (child->folder) {
        PutU32(entryTable, static_cast<std::uint32_t>(folders.size()));
        PutU32(entryTable, 0);
        PutU32(entryTable, 0);
        PutU32(entryTable, TPackedTree::kKindFolder);
        folders.push_back(child.get());
      } else {
        const std::vector<std::uint8_t>& plain = child->bytes;
        std::vector<std::uint8_t> packed;
        if (options.compressFiles && !plain.empty()) packed = Deflate(plain);
        // Equal sizes would read back as a plain file, so only a smaller stream is kept.
        const bool compressed = !packed.empty() && packed.size() < plain.size();
        const std::vector<std::uint8_t>& stored = compressed ? packed : plain;
        if (std::uint64_t(data.size()) + stored.size() > 0xFFFFFFFFu)
          throw DiscError("the tree's data would pass 4 GiB at " + Shown(child->path));
        PutU32(entryTable, static_cast<std::uint32_t>(data.size()));
        PutU32(entryTable, static_cast<std::uint32_t>(stored.size()));
        PutU32(entryTable, static_cast<std::uint32_t>(plain.size()));
        PutU32(entryTable, TPackedTree::kKindFile);
        data.insert(data.end(), stored.begin(), stored.end());
      }
      ++entryCount;
    }
  }

  std::vector<std::uint8_t> block;
  PutU32(block, static_cast<std::uint32_t>(folders.size()));
  PutU32(block, entryCount);
  PutU32(block, 0);  // reserved
  PutU32(block, 0);  // the root is folder 0
  block.insert(block.end(), folderTable.begin(), folderTable.end());
  block.insert(block.end(), entryTable.begin(), entryTable.end());

  std::vector<std::uint8_t> stored = block;
  std::uint32_t growth = 0;
  if (options.compressDirectory) {
    std::vector<std::uint8_t> packed = Deflate(block);
    // A growth of 0 means "plain", so a stream exactly as long as the block cannot be marked.
    if (packed.size() != block.size()) {
      growth = static_cast<std::uint32_t>(block.size() - packed.size());  // wraps when the stream is longer
      stored = std::move(packed);
    }
  }
  std::vector<std::uint8_t> out;
  out.reserve(8 + stored.size() + data.size());
  PutU32(out, growth ^ TPackedTree::kGrowthMask);
  PutU32(out, static_cast<std::uint32_t>(stored.size()) ^ TPackedTree::kLengthMask);
  out.insert(out.end(), stored.begin(), stored.end());
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

void TreeWriter::Write(const fs::path& out, const TreeOptions& options) const { WriteWholeFile(out, Build(options)); }

}  // namespace trv::disc
