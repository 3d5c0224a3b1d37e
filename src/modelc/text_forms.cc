#include "modelc/text_forms.h"

#include <stdio.h>

namespace orv {

std::string hex_id(uint32_t id) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(id));
  return buf;
}

std::string quoted_text(const uint8_t* p, size_t n, ByteEscape escape) {
  std::string s = "\"";
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = p[i];
    if (c == '"' || c == '\\') {
      s += '\\';
      s += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      s += static_cast<char>(c);
    } else {
      char buf[8];
      snprintf(buf, sizeof buf, escape == ByteEscape::kHex ? "\\x%02X" : "\\%03o", c);
      s += buf;
    }
  }
  return s + "\"";
}

}  // namespace orv
