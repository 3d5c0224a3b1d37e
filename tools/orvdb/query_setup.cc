#include "query_setup.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <strings.h>

#include "orvdb/host_platform.h"
#include "platform/platform.h"

namespace orvtool {
namespace {

// The most selectors a context may hold; no id reads beyond index 81.
constexpr int64_t kMaxSelectors = 4096;

// Splits "A=B" at the first '='; both parts must be non-empty unless
// `empty_value_ok`.
void split_pair(const std::string& text, const std::string& option, bool empty_value_ok,
                std::string* left, std::string* right) {
  size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0 || (!empty_value_ok && eq + 1 == text.size())) {
    throw UsageError(option + " '" + text + "': expected " +
                     (option == "-m"   ? "INDEX=TEXT"
                      : option == "-s" ? "INDEX=VALUE"
                                       : "NAME=VALUE"));
  }
  *left = text.substr(0, eq);
  *right = text.substr(eq + 1);
}

std::string list_text(const std::set<uint16_t>& values) {
  if (values.empty()) return "none";
  std::string s;
  for (uint16_t v : values) s += (s.empty() ? "" : " ") + std::to_string(v);
  return s;
}

// Reads YYYYMMDDhhmmss into the stand-in clock.
void set_clock(const std::string& text) {
  bool digits = text.size() == 14;
  for (char c : text) digits = digits && c >= '0' && c <= '9';
  if (!digits) throw UsageError("--clock '" + text + "': expected 14 digits YYYYMMDDhhmmss");
  auto field = [&](size_t at, size_t n) { return std::stoi(text.substr(at, n)); };
  int year = field(0, 4), month = field(4, 2), day = field(6, 2);
  int hour = field(8, 2), minute = field(10, 2), second = field(12, 2);
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (year < 1601 || month < 1 || month > 12 || day < 1 ||
      day > (month == 2 && !leap ? 28 : kDays[month - 1]) || hour > 23 || minute > 59 ||
      second > 59) {
    throw UsageError("--clock '" + text + "': not a valid date and time");
  }
  orv_host_set_clock(year, month, day, hour, minute, second);
}

}  // namespace

const ORV_QUERY_CONTEXT* Query::context() {
  string_ptrs_.clear();
  for (const std::string& s : strings) string_ptrs_.push_back(s.c_str());
  wide_printer_.clear();
  for (char c : printer) wide_printer_.push_back(static_cast<unsigned char>(c));
  wide_printer_.push_back(0);
  ctx_ = ORV_QUERY_CONTEXT{};
  ctx_.cSelectors = static_cast<uint32_t>(selectors.size());
  ctx_.pSelectors = selectors.empty() ? nullptr : selectors.data();
  ctx_.cStrings = static_cast<uint32_t>(string_ptrs_.size());
  ctx_.ppStrings = string_ptrs_.empty() ? nullptr : string_ptrs_.data();
  ctx_.pPrinterName = printer.empty() ? nullptr : wide_printer_.data();
  return &ctx_;
}

SeenContext::SeenContext(const ORV_QUERY_CONTEXT* ctx) : given_(ctx != nullptr) {
  if (ctx != nullptr) orv::open_printer_for_call(*ctx, &call_);
}

SeenContext::~SeenContext() {
  if (given_) orv::close_printer_for_call(call_);
}

int64_t parse_number(const std::string& text, int64_t min, int64_t max, const std::string& what) {
  bool negative = !text.empty() && text[0] == '-';
  std::string body = negative ? text.substr(1) : text;
  int base = 10;
  if (body.size() > 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) {
    base = 16;
    body = body.substr(2);
  }
  bool ok = !body.empty();
  for (char c : body) {
    bool digit = (c >= '0' && c <= '9') ||
                 (base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
    ok = ok && digit;
  }
  if (!ok) throw UsageError(what + " '" + text + "' is not a number (decimal or 0x hex)");
  errno = 0;
  unsigned long long magnitude = strtoull(body.c_str(), nullptr, base);
  if (errno == ERANGE || magnitude > (1ull << 62)) {
    throw UsageError(what + " '" + text + "' is out of range");
  }
  int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  if (value < min || value > max) {
    throw UsageError(what + " '" + text + "' is out of range " + std::to_string(min) + ".." +
                     std::to_string(max));
  }
  return value;
}

std::string unknown_domain_text(const std::string& word) {
  return "unknown domain '" + word + "' (expected one of: " + domain_words() + ")";
}

void parse_domain_and_id(const std::string& domain, const std::string& id, Domain* d, uint16_t* n) {
  std::optional<Domain> parsed = parse_domain(domain);
  if (!parsed) throw UsageError(unknown_domain_text(domain));
  int64_t value = parse_number(id, 0, 0xFFFF, "id");
  orv::IdRange range = orv::domain_id_range(*parsed);
  if (value < range.first || value > range.last) {
    throw UsageError("id " + hex_id(static_cast<uint32_t>(value)) + " is outside the " +
                     domain_title(*parsed) + " range " + hex_id(range.first) + "-" +
                     hex_id(range.last));
  }
  *d = *parsed;
  *n = static_cast<uint16_t>(value);
}

void build_query(const orv::Image& image, const QueryArgs& args, Query* query) {
  orv_host_reset();
  parse_domain_and_id(args.domain, args.id, &query->domain, &query->id);
  query->info = analyse_id(image, query->domain, query->id);
  const IdInfo& info = query->info;
  std::string who = std::string(domain_title(query->domain)) + " " + hex_id(query->id);

  uint32_t count = info.selector_count;
  if (args.count) {
    count = static_cast<uint32_t>(parse_number(*args.count, 0, kMaxSelectors, "--selectors"));
  }
  query->selectors.assign(count, 0);
  std::set<int64_t> given;  // indices or names given so far
  for (const std::string& pair : args.selectors) {
    std::string index_text, value_text;
    split_pair(pair, "-s", false, &index_text, &value_text);
    int64_t index = parse_number(index_text, 0, kMaxSelectors - 1, "selector index");
    if (!info.selectors.count(static_cast<uint16_t>(index))) {
      throw UsageError("selector " + std::to_string(index) + " is never read by " + who +
                       " (it reads: " + list_text(info.selectors) + ")");
    }
    if (index >= count) {
      throw UsageError("selector " + std::to_string(index) + " lies beyond --selectors " +
                       std::to_string(count));
    }
    int64_t value = parse_number(value_text, INT32_MIN, UINT32_MAX,
                                 "value of selector " + std::to_string(index));
    if (!given.insert(index).second) {
      throw UsageError("selector " + std::to_string(index) + " is given twice (-s " + pair + ")");
    }
    query->selectors[index] = static_cast<uint32_t>(value);
  }
  given.clear();

  query->strings.assign(info.string_count, std::string());
  query->string_given.assign(info.string_count, false);
  for (const std::string& pair : args.strings) {
    std::string index_text, text;
    split_pair(pair, "-m", true, &index_text, &text);
    int64_t index = parse_number(index_text, 0, 255, "match-string index");
    if (!info.strings.count(static_cast<uint16_t>(index))) {
      throw UsageError("match string " + std::to_string(index) + " is never read by " + who +
                       " (it reads: " + list_text(info.strings) + ")");
    }
    if (!given.insert(index).second) {
      throw UsageError("match string " + std::to_string(index) + " is given twice (-m " + pair +
                       ")");
    }
    query->strings[index] = text;
    query->string_given[index] = true;
  }

  if (args.printer) {
    if (args.printer->empty() || orv_host_add_printer(args.printer->c_str()) != 0) {
      throw UsageError("--printer '" + *args.printer + "': not a usable printer name");
    }
    query->printer = *args.printer;
  }
  for (const std::string& pair : args.printer_data) {
    std::string name, value_text;
    split_pair(pair, "--printer-data", false, &name, &value_text);
    if (!args.printer) throw UsageError("--printer-data '" + pair + "' needs --printer");
    int64_t value = parse_number(value_text, INT32_MIN, UINT32_MAX, "--printer-data value");
    uint32_t word = static_cast<uint32_t>(value);
    for (const PrinterDataArg& earlier : query->printer_data) {
      if (strcasecmp(earlier.name.c_str(), name.c_str()) == 0) {
        throw UsageError("printer value " + name + " is given twice (--printer-data " + pair + ")");
      }
    }
    if (orv_host_set_printer_data(args.printer->c_str(), name.c_str(), &word, sizeof word) != 0) {
      throw UsageError("--printer-data '" + pair + "': the printer does not take this value name");
    }
    query->printer_data.push_back({name, word});
  }
  if (args.clock) set_clock(*args.clock);
  query->clock_given = args.clock.has_value();
  if (args.country) {
    int64_t country = parse_number(*args.country, INT32_MIN, INT32_MAX, "--country");
    orv_host_set_country(std::to_string(country).c_str());
  }
}

std::string fixed_clock_text() {
  std::string c = kFixedClock;
  return c.substr(0, 4) + "-" + c.substr(4, 2) + "-" + c.substr(6, 2) + " " + c.substr(8, 2) + ":" +
         c.substr(10, 2) + ":" + c.substr(12, 2);
}

void set_up_fixed_platform() {
  orv_host_reset();
  set_clock(kFixedClock);
  orv_host_set_country(std::to_string(kFixedCountry).c_str());
  orv_host_add_printer(kFixedPrinter);
}

namespace {

// The stand-in platform's local clock, "YYYY-MM-DD hh:mm:ss".
std::string platform_clock_text() {
  orv::LocalTime t{};
  orv::platform_local_time(&t);
  char text[32];
  snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
           t.minute, t.second);
  return text;
}

// The country code the stand-in locale reports, or null when its call fails.
nlohmann::json platform_country_json() {
  char text[32] = {};
  if (orv::platform_country_code_text(text, sizeof text) == 0) return nullptr;
  char* end = nullptr;
  long code = strtol(text, &end, 10);
  return end != text && *end == 0 ? nlohmann::json(code) : nlohmann::json(text);
}

}  // namespace

nlohmann::json fixed_platform_json() {
  return {{"clock", fixed_clock_text()}, {"printer", kFixedPrinter}, {"country", kFixedCountry}};
}

nlohmann::json context_json(const Query& q) {
  nlohmann::json j;
  j["selectors"] = nlohmann::json::object();
  for (size_t i = 0; i < q.selectors.size(); ++i)
    j["selectors"][std::to_string(i)] = q.selectors[i];
  j["strings"] = nlohmann::json::object();
  for (size_t i = 0; i < q.strings.size(); ++i) j["strings"][std::to_string(i)] = q.strings[i];
  j["printer"] = nullptr;
  if (!q.printer.empty()) {
    j["printer"] = {{"name", q.printer}, {"values", nlohmann::json::object()}};
    for (const PrinterDataArg& v : q.printer_data) j["printer"]["values"][v.name] = v.value;
  }
  j["country"] = platform_country_json();
  j["clock"] = platform_clock_text();
  j["clock_fixed"] = q.clock_given;
  return j;
}

std::string result_name(int32_t result) {
  switch (result) {
    case DB_OK:
      return "DB_OK";
    case DB_NOT_FOUND:
      return "DB_NOT_FOUND";
    case DB_MORE_DATA:
      return "DB_MORE_DATA";
    case DB_NO_ENTRY:
      return "DB_NO_ENTRY";
    case DB_ERROR:
      return "DB_ERROR";
    case DB_NO_MATCH_STRING:
      return "DB_NO_MATCH_STRING";
    case DB_NO_SELECTOR:
      return "DB_NO_SELECTOR";
    case DB_NO_CONTEXT:
      return "DB_NO_CONTEXT";
    default:
      return "result " + std::to_string(result);
  }
}

int exit_status(int32_t result) {
  if (result == DB_OK) return kExitOk;
  if (result == DB_NOT_FOUND || result == DB_NO_ENTRY) return kExitNoAnswer;
  return kExitOtherResult;
}

}  // namespace orvtool
