// How an image's ids and texts are written wherever people read them: the
// compiler's faults, the dump, the generated sources and the tool.
#ifndef ORVDB_MODELC_TEXT_FORMS_H_
#define ORVDB_MODELC_TEXT_FORMS_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace orv {

// A data id as "0x" and at least four upper-case hex digits ("0x1003").
std::string hex_id(uint32_t id);

// How quoted_text writes a byte that is no printable ASCII character.
enum class ByteEscape {
  kHex,    // \xHH: for people to read
  kOctal,  // \ooo: for C source, where \x would take in the hex digits after it
};

// `n` bytes in double quotes: printable ASCII as it is, a quote or backslash
// after a backslash, any other byte escaped as `escape` says.
std::string quoted_text(const uint8_t* p, size_t n, ByteEscape escape = ByteEscape::kHex);

inline std::string quoted_text(const std::string& text, ByteEscape escape = ByteEscape::kHex) {
  return quoted_text(reinterpret_cast<const uint8_t*>(text.data()), text.size(), escape);
}

}  // namespace orv

#endif  // ORVDB_MODELC_TEXT_FORMS_H_
