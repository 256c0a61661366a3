#include "isp/part_file.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

namespace isp {
namespace {

using nlohmann::json;

constexpr std::uint32_t kRamBase = 0x10000000;

// Walks the text for the JSON parser and keeps the line it has reached, so
// that the parser's events can be given their lines.
struct LineCountingIterator {
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  const char* at;
  int* line;

  reference operator*() const { return *at; }
  LineCountingIterator& operator++() {
    if (*at == '\n') ++*line;
    ++at;
    return *this;
  }
  LineCountingIterator operator++(int) {
    LineCountingIterator before = *this;
    ++*this;
    return before;
  }
  bool operator==(const LineCountingIterator& other) const { return at == other.at; }
  bool operator!=(const LineCountingIterator& other) const { return at != other.at; }
};

// Where things begin, in the order the parser met them.
struct Mark {
  int depth;       // of the object the event is in (1: the outermost)
  bool is_object;  // the start of an object, else a key
  std::string key;
  int line;
};

// Builds the document as the library does, and notes where objects and keys
// begin.
class MarkingBuilder {
 public:
  MarkingBuilder(json& result, const int& line) : dom_(result, false), line_(line) {}

  bool null() { return dom_.null(); }
  bool boolean(bool value) { return dom_.boolean(value); }
  bool number_integer(json::number_integer_t value) { return dom_.number_integer(value); }
  bool number_unsigned(json::number_unsigned_t value) { return dom_.number_unsigned(value); }
  bool number_float(json::number_float_t value, const std::string& text) {
    return dom_.number_float(value, text);
  }
  bool string(std::string& value) { return dom_.string(value); }
  bool binary(json::binary_t& value) { return dom_.binary(value); }
  bool start_object(std::size_t count) {
    ++depth_;
    marks.push_back({depth_, true, {}, line_});
    return dom_.start_object(count);
  }
  bool key(std::string& value) {
    marks.push_back({depth_, false, value, line_});
    return dom_.key(value);
  }
  bool end_object() {
    --depth_;
    return dom_.end_object();
  }
  bool start_array(std::size_t count) {
    ++depth_;
    return dom_.start_array(count);
  }
  bool end_array() {
    --depth_;
    return dom_.end_array();
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& ex) {
    error_line = line_;
    error = ex.what();
    // "[json.exception.parse_error.101] parse error at line 3, column 5: syntax error ..."
    const std::size_t colon = error.find(": ");
    if (colon != std::string::npos) error.erase(0, colon + 2);
    return dom_.parse_error(0, "", ex);
  }

  std::vector<Mark> marks;
  int error_line = 0;
  std::string error;

 private:
  nlohmann::detail::json_sax_dom_parser<json> dom_;
  const int& line_;
  int depth_ = 0;
};

// The lines of one row: its own, each field's, each sector run's.
struct RowLines {
  int line = 0;
  std::map<std::string, int> fields;
  std::vector<int> runs;
};

std::vector<RowLines> LinesOfRows(const std::vector<Mark>& marks, int row_depth) {
  std::vector<RowLines> rows;
  for (const Mark& mark : marks) {
    if (mark.depth < row_depth) continue;
    if (mark.depth == row_depth && mark.is_object) {
      rows.push_back({mark.line, {}, {}});
    } else if (rows.empty()) {
      continue;
    } else if (mark.depth == row_depth) {
      rows.back().fields.emplace(mark.key, mark.line);
    } else if (mark.depth == row_depth + 2 && mark.is_object) {
      rows.back().runs.push_back(mark.line);  // an object in the sectors list: a run
    }
  }
  return rows;
}

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

// Refusal of a row, with the place of its field.
struct RowError {
  std::string field;  // empty: the row as a whole
  std::string reason;
  int run = -1;  // the sector run to blame, if any
};

bool ToNumber(const json& value, std::uint32_t& number) {
  if (value.is_number_unsigned()) {
    if (value.get<std::uint64_t>() > 0xFFFFFFFFu) return false;
    number = static_cast<std::uint32_t>(value.get<std::uint64_t>());
    return true;
  }
  if (value.is_number_integer()) return false;  // negative
  if (!value.is_string()) return false;
  const std::string text = value.get<std::string>();
  if (text.empty()) return false;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  if (digits.empty() || digits.size() > (hex ? 8u : 10u)) return false;
  std::uint64_t result = 0;
  for (char c : digits) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return false;
    result = result * (hex ? 16 : 10) + static_cast<unsigned>(digit);
  }
  if (result > 0xFFFFFFFFu) return false;
  number = static_cast<std::uint32_t>(result);
  return true;
}

const char* const kFields[] = {"id",
                               "name",
                               "flash_size",
                               "sectors",
                               "ram_size",
                               "ram_buffer_start",
                               "ram_buffer_end",
                               "largest_copy",
                               "ecc_lines",
                               "boot_rom_window",
                               "read_sees_flash"};

class RowReader {
 public:
  explicit RowReader(const json& row) : row_(row) {}

  std::optional<RowError> Read(PartRow& out) {
    if (!row_.is_object()) return RowError{"", "a row must be an object"};
    for (const auto& [key, value] : row_.items()) {
      if (std::find(std::begin(kFields), std::end(kFields), key) == std::end(kFields))
        return RowError{key,
                        "no such field (the fields are id, name, flash_size, sectors, "
                        "ram_size, ram_buffer_start, ram_buffer_end, largest_copy, "
                        "ecc_lines, boot_rom_window, read_sees_flash)"};
    }
    PartInfo& part = out.part;
    if (auto e = Number("id", part.id, true)) return e;
    if (!row_.contains("name")) return RowError{"name", "missing"};
    if (!row_["name"].is_string() || row_["name"].get<std::string>().empty())
      return RowError{"name", "must be a name in quotes"};
    out.name = row_["name"].get<std::string>();
    if (auto e = Sectors(part)) return e;
    if (auto e = Number("ram_size", part.ram_size, true)) return e;
    if (auto e = Number("ram_buffer_start", part.ram_buffer_start, true)) return e;
    if (auto e = Number("ram_buffer_end", part.ram_buffer_end, true)) return e;
    part.largest_copy = 4096;
    if (auto e = Number("largest_copy", part.largest_copy, false)) return e;
    part.boot_rom_window = 512;
    if (auto e = Number("boot_rom_window", part.boot_rom_window, false)) return e;
    if (auto e = Flag("ecc_lines", part.ecc_lines)) return e;
    if (auto e = Flag("read_sees_flash", part.read_sees_flash)) return e;
    return Consistent(part);
  }

 private:
  std::optional<RowError> Number(const char* field, std::uint32_t& value, bool required) {
    if (!row_.contains(field)) {
      if (required) return RowError{field, "missing"};
      return std::nullopt;
    }
    if (!ToNumber(row_[field], value))
      return RowError{field, "must be a number from 0 to 0xFFFFFFFF (as 8192 or \"0x2000\")"};
    return std::nullopt;
  }

  std::optional<RowError> Flag(const char* field, bool& value) {
    value = false;
    if (!row_.contains(field)) return std::nullopt;
    if (!row_[field].is_boolean()) return RowError{field, "must be true or false"};
    value = row_[field].get<bool>();
    return std::nullopt;
  }

  std::optional<RowError> Sectors(PartInfo& part) {
    if (!row_.contains("sectors")) return RowError{"sectors", "missing"};
    const json& runs = row_["sectors"];
    if (!runs.is_array() || runs.empty())
      return RowError{"sectors", "must be a list of runs such as {\"size\": 4096, \"count\": 8}"};
    std::uint64_t end = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
      const json& run = runs[i];
      const int at = static_cast<int>(i);
      if (!run.is_object() || !run.contains("size") || !run.contains("count"))
        return RowError{"sectors", "each run needs its size and count", at};
      for (const auto& [key, value] : run.items()) {
        if (key != "size" && key != "count" && key != "start")
          return RowError{"sectors", "a run has no field " + key, at};
      }
      SectorRun sectors{};
      if (!ToNumber(run["size"], sectors.size) || !ToNumber(run["count"], sectors.count))
        return RowError{"sectors", "size and count must be numbers", at};
      // Each sector is written in whole copies of 256, 512, 1024 or 4096 bytes.
      const bool copyable = sectors.size == 256 || sectors.size == 512 || sectors.size == 1024 ||
                            (sectors.size != 0 && sectors.size % 4096 == 0);
      if (!copyable || sectors.count == 0)
        return RowError{"sectors",
                        "a sector's size must be 256, 512, 1024 or a multiple of 4096 bytes, "
                        "and a run must have at least one",
                        at};
      if (run.contains("start")) {
        std::uint32_t start = 0;
        if (!ToNumber(run["start"], start))
          return RowError{"sectors", "start must be a number", at};
        if (start < end)
          return RowError{"sectors",
                          "the run at " + Hex32(start) +
                              " overlaps the sectors before it, which end at " +
                              Hex32(static_cast<std::uint32_t>(end)),
                          at};
        if (start > end)
          return RowError{"sectors",
                          "the run at " + Hex32(start) +
                              " leaves a gap after the sectors before it, which end "
                              "at " +
                              Hex32(static_cast<std::uint32_t>(end)),
                          at};
      }
      end += std::uint64_t{sectors.size} * sectors.count;
      if (end > 0x10000000u)
        return RowError{"sectors", "the flash would reach past 0x10000000, where RAM begins", at};
      part.sectors.push_back(sectors);
    }
    const auto sum = static_cast<std::uint32_t>(end);
    part.flash_size = sum;
    if (row_.contains("flash_size")) {
      std::uint32_t given = 0;
      if (!ToNumber(row_["flash_size"], given))
        return RowError{"flash_size", "must be a number (as 65536 or \"0x10000\")"};
      if (given != sum)
        return RowError{"flash_size", "is " + std::to_string(given) +
                                          " but the sectors add up "
                                          "to " +
                                          std::to_string(sum)};
    }
    return std::nullopt;
  }

  static std::optional<RowError> Consistent(const PartInfo& part) {
    if (part.ram_size == 0) return RowError{"ram_size", "must be more than 0"};
    const std::uint64_t ram_end = std::uint64_t{kRamBase} + part.ram_size;
    const std::string ram = "the " + std::to_string(part.ram_size) + " bytes of RAM (" +
                            Hex32(kRamBase) + " to " +
                            Hex32(static_cast<std::uint32_t>(ram_end - 1)) + ")";
    if (part.ram_buffer_start < kRamBase || part.ram_buffer_start >= ram_end)
      return RowError{"ram_buffer_start", Hex32(part.ram_buffer_start) + " lies outside " + ram};
    // W and C take word-aligned RAM addresses only.
    if (part.ram_buffer_start % 4 != 0)
      return RowError{"ram_buffer_start", Hex32(part.ram_buffer_start) + " is not word-aligned"};
    if (part.ram_buffer_end <= kRamBase || part.ram_buffer_end > ram_end)
      return RowError{"ram_buffer_end", Hex32(part.ram_buffer_end) + " lies outside " + ram};
    if (part.ram_buffer_end <= part.ram_buffer_start)
      return RowError{"ram_buffer_end", "must lie above ram_buffer_start"};
    if (std::find(std::begin(kCopySizes), std::end(kCopySizes), part.largest_copy) ==
        std::end(kCopySizes))
      return RowError{"largest_copy", "must be 256, 512, 1024 or 4096"};
    if (part.ram_buffer_end - part.ram_buffer_start < 256)
      return RowError{"ram_buffer_end", "the W range must hold at least 256 bytes, one copy"};
    if (part.boot_rom_window > part.flash_size || part.boot_rom_window % 4 != 0)
      return RowError{"boot_rom_window", "must be a multiple of 4 bytes within the flash (" +
                                             std::to_string(part.flash_size) + " bytes)"};
    return std::nullopt;
  }

  const json& row_;
};

}  // namespace

bool ParsePartFile(const std::string& text, const std::string& path, std::vector<PartRow>& rows,
                   std::string& error) {
  int line = 1;
  json document;
  MarkingBuilder builder(document, line);
  const LineCountingIterator first{text.data(), &line};
  const LineCountingIterator last{text.data() + text.size(), &line};
  if (!json::sax_parse(first, last, &builder, json::input_format_t::json, true, true)) {
    error = path + ":" + std::to_string(builder.error_line) + ": not valid JSON: " + builder.error;
    return false;
  }
  const json* list = &document;
  int row_depth = 2;
  if (document.is_object()) {
    if (!document.contains("parts") || document.size() != 1) {
      error = path + ":1: a part file is a list of rows, or an object with only \"parts\"";
      return false;
    }
    list = &document["parts"];
    row_depth = 3;
  }
  if (!list->is_array()) {
    error = path + ":1: parts: must be a list of rows";
    return false;
  }
  const std::vector<RowLines> lines = LinesOfRows(builder.marks, row_depth);
  std::vector<PartRow> read;
  for (std::size_t i = 0; i < list->size(); ++i) {
    const RowLines where = i < lines.size() ? lines[i] : RowLines{1, {}, {}};
    PartRow row;
    row.origin = {path, where.line};
    const std::optional<RowError> refused = RowReader((*list)[i]).Read(row);
    if (refused) {
      int at = where.line;
      if (const auto field = where.fields.find(refused->field); field != where.fields.end())
        at = field->second;
      if (refused->run >= 0 && static_cast<std::size_t>(refused->run) < where.runs.size())
        at = where.runs[static_cast<std::size_t>(refused->run)];
      error = path + ":" + std::to_string(at) + ": " +
              (refused->field.empty() ? "" : refused->field + ": ") + refused->reason;
      return false;
    }
    for (const PartRow& before : read) {
      if (before.part.id == row.part.id) {
        error = path + ":" +
                std::to_string(where.fields.count("id") ? where.fields.at("id") : where.line) +
                ": id: " + Hex32(row.part.id) + " is also the id of the row at line " +
                std::to_string(before.origin.line);
        return false;
      }
    }
    read.push_back(std::move(row));
  }
  rows = std::move(read);
  return true;
}

bool ReadPartFile(const std::string& path, std::vector<PartRow>& rows, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  if (!file || !(text << file.rdbuf())) {
    // An empty file reads nothing, and holds no rows.
    if (file && file.peek() == std::ifstream::traits_type::eof()) {
      rows.clear();
      return true;
    }
    error = path + ": cannot be read";
    return false;
  }
  return ParsePartFile(text.str(), path, rows, error);
}

}  // namespace isp
