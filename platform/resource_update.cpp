// The resource side of the OS seam, the same on every platform: the file is
// read whole at Begin, changed in memory, and written by our own PE writer
// at End, into a new file beside it that then replaces it.
#include <algorithm>

#include "pe/byte_io.h"
#include "pe/resource_writer.h"
#include "platform/os.h"

namespace pf::os {

struct PendingResources {
  std::u16string path;
  std::vector<std::uint8_t> file;
  std::vector<pe::Resource> resources;
};

namespace {

// An agent is a few hundred KiB; anything near this is no program of ours.
constexpr std::uint64_t kMaxImageBytes = 256ull << 20;

std::optional<std::vector<std::uint8_t>> ReadWhole(const std::u16string& path) {
  auto in = OpenForRead(path);
  if (!in) return std::nullopt;
  auto size = in->Size();
  if (!size || *size > kMaxImageBytes) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(*size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    auto n = in->Read(bytes.data() + got, bytes.size() - got);
    if (!n || *n == 0) return std::nullopt;
    got += *n;
  }
  return bytes;
}

std::optional<std::vector<pe::Resource>> ParseResources(std::span<const std::uint8_t> file) {
  auto image = pe::ParseImage(file);
  if (!image.image) return std::nullopt;
  return pe::ReadResources(file, *image.image).resources;
}

}  // namespace

ResourceUpdate::ResourceUpdate() = default;
ResourceUpdate::ResourceUpdate(std::unique_ptr<PendingResources> pending)
    : pending_(std::move(pending)) {}
ResourceUpdate::ResourceUpdate(ResourceUpdate&& other) noexcept = default;
ResourceUpdate::~ResourceUpdate() {
  End(true);
}

bool ResourceUpdate::Update(const ResourceName& type, const ResourceName& name,
                            std::uint16_t language, const std::uint8_t* data, std::size_t size) {
  if (!pending_ || (!data && size != 0) || pe::Beyond32Bits(size)) return false;
  auto& list = pending_->resources;
  auto same = [&](const pe::Resource& r) {
    return r.type == type && r.name == name && r.language == language;
  };
  if (!data) {
    auto gone = std::remove_if(list.begin(), list.end(), same);
    bool found = gone != list.end();
    list.erase(gone, list.end());
    return found;
  }
  std::vector<std::uint8_t> bytes(data, data + size);
  auto existing = std::find_if(list.begin(), list.end(), same);
  if (existing != list.end())
    existing->data = std::move(bytes);
  else
    list.push_back({type, name, language, 0, std::move(bytes)});
  return true;
}

bool ResourceUpdate::End(bool discard) {
  auto pending = std::move(pending_);
  if (!pending) return false;
  if (discard) return true;
  auto rewritten = pe::ReplaceResources(pending->file, std::move(pending->resources));
  if (!rewritten.file) return false;
  const std::u16string temporary = pending->path + UniqueSuffix() + u".tmp";
  bool written = false;
  if (auto out = CreateForWrite(temporary)) {
    written = out->Write(rewritten.file->data(), rewritten.file->size());
    out->Close();
  }
  if (written && ReplaceWith(temporary, pending->path)) return true;
  DeleteFileAt(temporary);
  return false;
}

std::optional<ResourceUpdate> BeginResourceUpdate(const std::u16string& path, bool deleteExisting) {
  auto file = ReadWhole(path);
  if (!file) return std::nullopt;
  auto resources = ParseResources(*file);
  if (!resources) return std::nullopt;
  if (deleteExisting) resources->clear();
  return std::optional<ResourceUpdate>(
      std::in_place, std::make_unique<PendingResources>(
                         PendingResources{path, std::move(*file), std::move(*resources)}));
}

std::optional<std::vector<Resource>> ReadResources(const std::u16string& path) {
  auto file = ReadWhole(path);
  if (!file) return std::nullopt;
  auto resources = ParseResources(*file);
  if (!resources) return std::nullopt;
  std::vector<Resource> out;
  for (auto& r : *resources)
    out.push_back({std::move(r.type), std::move(r.name), r.language, std::move(r.data)});
  return out;
}

}  // namespace pf::os
