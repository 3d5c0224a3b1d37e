// Reads an image file: every check of the header and the directory comes
// before a table is read or anything allocated, so a damaged or hostile
// file is refused with one line and never read past its end.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <type_traits>
#include <utility>

#include "modelc/image_file.h"

namespace orv::model {
namespace {

uint32_t get32(const uint8_t* at) {
  return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}
uint16_t get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

// One directory entry, checked.
struct Entry {
  const ImageTableFormat* format;  // the table's format
  uint32_t offset;                 // its first byte in the file
  uint32_t count;                  // its elements
};

std::string table_text(const ImageTableFormat& f) {
  return "table '" + std::string(f.name) + "' (id " + std::to_string(static_cast<uint32_t>(f.id)) +
         ")";
}

std::string hex32(uint32_t value) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) s += kDigits[(value >> shift) & 0xF];
  return s;
}

// Checks what the header alone tells, of a file of `file_size` bytes whose
// first `available` bytes are at `data`: the magic, the header's size, the
// version, and the size the header gives against kImageFileMaxSize and the
// file's. False with the fault.
bool check_header_start(const uint8_t* data, size_t available, uint64_t file_size,
                        std::string* fault) {
  if (available < sizeof kImageFileMagic ||
      !std::equal(kImageFileMagic, kImageFileMagic + sizeof kImageFileMagic,
                  reinterpret_cast<const char*>(data))) {
    *fault = "not an image file: it does not begin with the magic \"" +
             std::string(kImageFileMagic, sizeof kImageFileMagic) + "\"";
    return false;
  }
  if (available < kImageFileHeaderSize) {
    *fault = "truncated: " + std::to_string(file_size) + " bytes, less than the " +
             std::to_string(kImageFileHeaderSize) + "-byte header";
    return false;
  }
  uint32_t version = get32(data + kImageFileVersionAt);
  if (version != kImageFileVersion) {
    *fault = "format version " + std::to_string(version) + "; this tool reads version " +
             std::to_string(kImageFileVersion);
    return false;
  }
  uint32_t declared = get32(data + kImageFileSizeAt);
  if (declared > kImageFileMaxSize) {
    *fault = "the header gives a size of " + std::to_string(declared) +
             " bytes, more than the largest image file (" + std::to_string(kImageFileMaxSize) +
             " bytes)";
    return false;
  }
  if (declared != file_size) {
    *fault = declared > file_size ? "truncated: " + std::to_string(file_size) + " of the " +
                                        std::to_string(declared) + " bytes the header gives"
                                  : std::to_string(file_size) + " bytes, but the header gives " +
                                        std::to_string(declared) + ": bytes after the end";
    return false;
  }
  return true;
}

// Checks the header of a whole file; false with the fault.
bool check_header(const uint8_t* data, size_t size, uint32_t* table_count, std::string* fault) {
  if (!check_header_start(data, size, size, fault)) return false;
  uint32_t stored = get32(data + kImageFileChecksumAt);
  uint32_t actual = image_file_crc32(data + kImageFileSizeAt, size - kImageFileSizeAt);
  if (stored != actual) {
    *fault = "checksum " + hex32(actual) + " of the contents is not the header's " + hex32(stored);
    return false;
  }
  *table_count = get32(data + kImageFileTableCountAt);
  if (*table_count > (size - kImageFileHeaderSize) / kImageFileEntrySize) {
    *fault = "the table directory of " + std::to_string(*table_count) +
             " entries runs past the end of the file";
    return false;
  }
  return true;
}

// Checks every directory entry against the format and the file's size.
bool check_directory(const uint8_t* data, size_t size, uint32_t table_count,
                     std::vector<Entry>* entries, std::string* fault) {
  const uint64_t directory_end = kImageFileHeaderSize + uint64_t{table_count} * kImageFileEntrySize;
  for (uint32_t k = 0; k < table_count; ++k) {
    const uint8_t* at = data + kImageFileHeaderSize + size_t{k} * kImageFileEntrySize;
    uint32_t id = get32(at);
    const ImageTableFormat* f = image_table_format(id);
    std::string where = "directory entry " + std::to_string(k) + ": ";
    if (f == nullptr) {
      *fault = where + "unknown table id " + std::to_string(id);
      return false;
    }
    Entry e{f, get32(at + 8), get32(at + 12)};
    where += table_text(*f);
    if (get32(at + 4) != f->element_size) {
      *fault = where + " has elements of " + std::to_string(get32(at + 4)) + " bytes, not " +
               std::to_string(f->element_size);
      return false;
    }
    for (const Entry& seen : *entries) {
      if (seen.format == f) {
        *fault = where + " appears twice";
        return false;
      }
    }
    if (e.offset % kImageFileAlignment != 0 || e.offset < directory_end) {
      *fault = where + " starts at " + std::to_string(e.offset) +
               (e.offset < directory_end ? ", inside the header or directory"
                                         : ", not on an 8-byte boundary");
      return false;
    }
    uint64_t end = e.offset + uint64_t{e.count} * f->element_size;
    if (end > size) {
      *fault = where + ": " + std::to_string(e.count) + " elements at " + std::to_string(e.offset) +
               " run past the end of the file (" + std::to_string(size) + " bytes)";
      return false;
    }
    entries->push_back(e);
  }
  std::vector<Entry> by_offset = *entries;
  std::sort(by_offset.begin(), by_offset.end(),
            [](const Entry& a, const Entry& b) { return a.offset < b.offset; });
  for (size_t k = 1; k < by_offset.size(); ++k) {
    const Entry& prev = by_offset[k - 1];
    if (prev.offset + uint64_t{prev.count} * prev.format->element_size > by_offset[k].offset) {
      *fault = table_text(*prev.format) + " overlaps " + table_text(*by_offset[k].format);
      return false;
    }
  }
  return true;
}

const Entry* find(const std::vector<Entry>& entries, ImageTable id) {
  for (const Entry& e : entries) {
    if (e.format->id == id) return &e;
  }
  return nullptr;
}

// Tables read in parallel (those of one count field in the list of
// tables) share one count: all present with it, or all absent.
bool check_parallel(const std::vector<Entry>& entries, std::string* fault) {
  std::map<std::string, std::pair<const Entry*, const ImageTableFormat*>> first_of_count;
  bool ok = true;
  visit_schema([&](const auto& d) {
    using D = std::decay_t<decltype(d)>;
    if constexpr (D::kIsTable) {
      if (!ok || d.info.count_field == nullptr) return;
      const ImageTable id = static_cast<ImageTable>(d.info.file_id);
      const Entry* e = find(entries, id);
      const ImageTableFormat* f = image_table_format(d.info.file_id);
      auto [at, added] = first_of_count.emplace(
          std::to_string(static_cast<int>(d.info.owner)) + d.info.count_field,
          std::make_pair(e, f));
      if (added) return;
      const auto [first, first_format] = at->second;
      if ((e == nullptr) != (first == nullptr)) {
        *fault = (e ? table_text(*f) : table_text(*first_format)) + " is present without " +
                 (e ? table_text(*first_format) : table_text(*f));
        ok = false;
      } else if (e != nullptr && e->count != first->count) {
        *fault = table_text(*f) + " holds " + std::to_string(e->count) + " elements, " +
                 table_text(*first_format) + " " + std::to_string(first->count);
        ok = false;
      }
    }
  });
  return ok;
}

// Copies the table `d` describes from its entry, when the file has it, into
// its vector of `store`; true when it was there.
template <typename D>
bool read_table(const uint8_t* data, const std::vector<Entry>& entries, const D& d,
                typename D::Storage* store) {
  using E = typename D::Element;
  const Entry* e = find(entries, static_cast<ImageTable>(d.info.file_id));
  if (e == nullptr) return false;
  std::vector<E>& out = d.stored(*store);
  out.resize(size_t{e->count} * d.info.record_size);
  const uint8_t* at = data + e->offset;
  for (E& element : out) {
    element = FileElement<E>::get(at);
    at += FileElement<E>::kSize;
  }
  return true;
}

// Copies the meanings; false when one points outside the texts.
bool read_meanings(const uint8_t* data, const std::vector<Entry>& entries,
                   std::vector<ImageMeaning>* out, std::string* fault) {
  const Entry* e = find(entries, ImageTable::meanings);
  if (e == nullptr) return true;
  const Entry* texts = find(entries, ImageTable::meaning_texts);
  const uint32_t text_size = texts ? texts->count : 0;
  const char* text = texts ? reinterpret_cast<const char*>(data + texts->offset) : "";
  for (uint32_t i = 0; i < e->count; ++i) {
    const uint8_t* at = data + e->offset + size_t{i} * kMeaningEntrySize;
    uint32_t meaning_at = get32(at + 4), unit_at = get32(at + 12);
    uint16_t meaning_length = get16(at + 8), unit_length = get16(at + 10);
    if (get16(at + 2) != 0 || uint64_t{meaning_at} + meaning_length > text_size ||
        uint64_t{unit_at} + unit_length > text_size) {
      *fault = table_text(*e->format) + ": entry " + std::to_string(i) +
               " points outside the meaning texts";
      return false;
    }
    out->push_back(ImageMeaning{get16(at), std::string(text + meaning_at, meaning_length),
                                std::string(text + unit_at, unit_length)});
  }
  return true;
}

// True, with the fault, when a read of `file` failed.
bool read_failed(FILE* file, std::string* fault) {
  if (!ferror(file)) return false;
  *fault = std::string("cannot read: ") + strerror(errno);
  return true;
}

// Why a path that is no regular file is not read.
std::string not_regular_text(std::filesystem::file_type type) {
  switch (type) {
    case std::filesystem::file_type::directory:
      return "a directory, not a regular file";
    case std::filesystem::file_type::fifo:
      return "a named pipe (FIFO), not a regular file";
    case std::filesystem::file_type::character:
      return "a character device, not a regular file";
    case std::filesystem::file_type::block:
      return "a block device, not a regular file";
    case std::filesystem::file_type::socket:
      return "a socket, not a regular file";
    default:
      return "not a regular file";
  }
}

}  // namespace

bool read_image_tables(const uint8_t* data, size_t size, LoadedImage* out, std::string* fault) {
  uint32_t table_count = 0;
  std::vector<Entry> entries;
  if (!check_header(data, size, &table_count, fault) ||
      !check_directory(data, size, table_count, &entries, fault) ||
      !check_parallel(entries, fault)) {
    return false;
  }

  if (const Entry* e = find(entries, ImageTable::model_name)) {
    const uint8_t* name = data + e->offset;
    if (std::find(name, name + e->count, 0) != name + e->count) {
      *fault = table_text(*e->format) + " holds a NUL byte";
      return false;
    }
  }
  LoadedImage loaded;
  if (!read_meanings(data, entries, &loaded.meanings, fault)) return false;
  CompiledImage& t = loaded.tables;
  visit_schema([&](const auto& d) {
    using D = std::decay_t<decltype(d)>;
    if constexpr (D::kIsTable) {
      if constexpr (std::is_same_v<typename D::Struct, Image>) {
        read_table(data, entries, d, &t);
      } else {
        t.has_drv_tables = read_table(data, entries, d, &t.drv) || t.has_drv_tables;
      }
    }
  });
  if (const Entry* e = find(entries, ImageTable::model_name))
    t.model_name.assign(reinterpret_cast<const char*>(data + e->offset), e->count);
  *out = std::move(loaded);
  return true;
}

bool read_image_file(const uint8_t* data, size_t size, LoadedImage* out, std::string* fault) {
  if (!read_image_tables(data, size, out, fault)) return false;
  out->report = verify_image(out->tables.view());
  return true;
}

bool load_image_file(const std::string& path, LoadedImage* out, std::string* fault) {
  // What the path is, before it is opened: opening a named pipe would wait
  // for a writer, and reading a device or a directory has no end or no bytes.
  // (A path swapped for another between this look and the open is not
  // looked at again.)
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error) {
    *fault = error.message();
    return false;
  }
  if (!std::filesystem::is_regular_file(status)) {
    *fault = not_regular_text(status.type());
    return false;
  }
  const uintmax_t file_size = std::filesystem::file_size(path, error);
  if (error) {
    *fault = error.message();
    return false;
  }
  std::unique_ptr<FILE, int (*)(FILE*)> file(fopen(path.c_str(), "rb"), fclose);
  if (!file) {
    *fault = std::string("cannot open: ") + strerror(errno);
    return false;
  }
  return read_image_stream(file.get(), file_size, out, fault);
}

bool read_image_stream(FILE* file, uintmax_t file_size, LoadedImage* out, std::string* fault) {
  // The header alone first, so that nothing is allocated for a file the
  // header refuses.
  uint8_t header[kImageFileHeaderSize];
  const size_t got = fread(header, 1, sizeof header, file);
  if (read_failed(file, fault)) return false;
  if (!check_header_start(header, got, file_size, fault)) return false;
  std::vector<uint8_t> bytes(header, header + got);
  bytes.resize(file_size);
  const size_t rest = fread(bytes.data() + got, 1, bytes.size() - got, file);
  if (read_failed(file, fault)) return false;
  if (got + rest != file_size || fgetc(file) != EOF) {
    *fault = "the file changed its size while it was read";
    return false;
  }
  return read_image_file(bytes.data(), bytes.size(), out, fault);
}

}  // namespace orv::model
