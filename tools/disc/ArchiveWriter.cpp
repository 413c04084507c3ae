#include "disc/ArchiveWriter.h"

#include <fstream>

#include "disc/DiscError.h"
#include "disc/DiscFiles.h"
#include "platform/Text.h"

namespace fs = std::filesystem;

namespace trv::disc {
namespace {

// Offsets and sizes are signed 32-bit in the format.
constexpr std::uint64_t kMaxArchiveBytes = 0x7FFFFFFF;

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint64_t SourceSize(const fs::path& source) {
  std::error_code ec;
  if (!fs::is_regular_file(source, ec)) throw DiscError("cannot read " + source.string() + ": not a file");
  std::uint64_t size = fs::file_size(source, ec);
  if (ec) throw DiscError("cannot read " + source.string() + ": " + ec.message());
  return size;
}

}  // namespace

void ArchiveWriter::Check(const std::string& name) const {
  if (name.size() > kMaxName)
    throw DiscError("the entry name \"" + Cp1251ToUtf8(name) + "\" is " + std::to_string(name.size()) +
                    " bytes long; an archive name holds at most 256");
  if (name.find('\0') != std::string::npos)
    throw DiscError("the entry name \"" + Cp1251ToUtf8(name) + "\" holds a zero byte");
  if (items_.size() >= kMaxEntries)
    throw DiscError("an archive holds at most 65535 entries; \"" + Cp1251ToUtf8(name) + "\" is one too many");
}

void ArchiveWriter::Add(std::string name, std::vector<std::uint8_t> bytes) {
  Check(name);
  items_.push_back({std::move(name), std::move(bytes), {}});
}

void ArchiveWriter::AddFile(std::string name, fs::path source) {
  Check(name);
  items_.push_back({std::move(name), {}, std::move(source)});
}

std::vector<std::uint8_t> ArchiveWriter::Directory(const std::vector<std::uint64_t>& sizes) const {
  std::uint64_t offset = 2;
  for (const Item& item : items_) offset += 12 + item.name.size();
  std::vector<std::uint8_t> dir;
  dir.reserve(static_cast<std::size_t>(offset));
  dir.push_back(static_cast<std::uint8_t>(items_.size()));
  dir.push_back(static_cast<std::uint8_t>(items_.size() >> 8));
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (offset + sizes[i] > kMaxArchiveBytes)
      throw DiscError("the archive would pass 2 GiB at \"" + Cp1251ToUtf8(items_[i].name) + "\"");
    PutU32(dir, static_cast<std::uint32_t>(items_[i].name.size()));
    dir.insert(dir.end(), items_[i].name.begin(), items_[i].name.end());
    PutU32(dir, static_cast<std::uint32_t>(offset));
    PutU32(dir, static_cast<std::uint32_t>(sizes[i]));
    offset += sizes[i];
  }
  return dir;
}

std::vector<std::uint8_t> ArchiveWriter::Build() const {
  std::vector<std::vector<std::uint8_t>> loaded(items_.size());
  std::vector<std::uint64_t> sizes;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (!items_[i].source.empty()) loaded[i] = ReadWholeFile(items_[i].source, kMaxArchiveBytes);
    sizes.push_back(items_[i].source.empty() ? items_[i].bytes.size() : loaded[i].size());
  }
  std::vector<std::uint8_t> out = Directory(sizes);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const auto& bytes = items_[i].source.empty() ? items_[i].bytes : loaded[i];
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  return out;
}

void ArchiveWriter::Write(const fs::path& outPath) const {
  std::vector<std::uint64_t> sizes;
  for (const Item& item : items_) sizes.push_back(item.source.empty() ? item.bytes.size() : SourceSize(item.source));
  AtomicOutput out(outPath);
  const std::vector<std::uint8_t> dir = Directory(sizes);
  out.Write(dir.data(), dir.size());
  std::vector<char> chunk(1 << 16);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const Item& item = items_[i];
    if (item.source.empty()) {
      out.Write(item.bytes.data(), item.bytes.size());
      continue;
    }
    // Copy exactly the size the directory announced; a file that changed
    // meanwhile would shift every later entry.
    std::ifstream in(item.source, std::ios::binary);
    std::uint64_t left = sizes[i];
    while (in && left > 0) {
      in.read(chunk.data(), std::streamsize(std::min<std::uint64_t>(left, chunk.size())));
      out.Write(chunk.data(), std::size_t(in.gcount()));
      left -= std::uint64_t(in.gcount());
    }
    if (left != 0 || in.peek() != std::char_traits<char>::eof())
      throw DiscError("cannot read " + item.source.string() + ": it changed while the archive was written");
  }
  out.Commit();
}

}  // namespace trv::disc
