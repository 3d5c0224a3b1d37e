#include "fuzz_support.h"

namespace orv::fuzz {

void prepare_host() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  orv_host_reset();
  orv_host_add_printer(kPrinterName);
  // Silent from 08:00 to 12:00; the fixed clock below is inside the window,
  // so the silent-on block is reachable.
  const uint32_t window = (720u << 16) | 480u;
  orv_host_set_printer_data(kPrinterName, kSilentValueName, &window, sizeof window);
  orv_host_set_clock(2026, 3, 14, 9, 26, 53);
  orv_host_set_country("49");
}

DecodedContext::~DecodedContext() {
  if (opened != nullptr) orv_host_close_printer(opened);
}

namespace {

void decode_selectors(Reader& in, DecodedContext* out) {
  const uint8_t mode = in.u8();
  if (mode == 0xFF) {
    // A count with no array behind it: the library must treat it as none.
    out->ctx.cSelectors = in.u32();
    out->ctx.pSelectors = nullptr;
    return;
  }
  const uint32_t count = mode;
  out->ctx.cSelectors = count;
  if (count == 0) {
    out->ctx.pSelectors = nullptr;
    return;
  }
  out->selectors.reset(new uint32_t[count]());
  for (const DefaultSelector& d : kDefaultSelectors) {
    if (d.index < count) out->selectors[d.index] = d.value;
  }
  const uint8_t overrides = in.u8() % 12;
  for (uint8_t i = 0; i < overrides; ++i) {
    const uint32_t index = in.u8() % count;
    const uint8_t small = in.u8();
    out->selectors[index] = small < 0xF0 ? small : in.u32();
  }
  out->ctx.pSelectors = out->selectors.get();
}

void decode_strings(Reader& in, DecodedContext* out) {
  const uint8_t n = in.u8() % 9;
  if (n == 8) {
    out->ctx.cStrings = in.u8();
    out->ctx.ppStrings = nullptr;
    return;
  }
  out->ctx.cStrings = n;
  if (n == 0) return;
  out->string_table.reset(new const char*[n]);
  for (uint8_t i = 0; i < n; ++i) {
    const uint8_t code = in.u8();
    if (code == 0xFF) {
      out->string_table[i] = nullptr;
      continue;
    }
    const size_t length = code % 24;
    std::unique_ptr<char[]> s(new char[length + 1]);
    in.bytes(reinterpret_cast<uint8_t*>(s.get()), length);
    s[length] = '\0';
    out->string_table[i] = s.get();
    out->strings.push_back(std::move(s));
  }
  out->ctx.ppStrings = out->string_table.get();
}

void set_name(DecodedContext* out, const std::vector<ORV_WCHAR>& name) {
  out->printer_name.reset(new ORV_WCHAR[name.size() + 1]);
  for (size_t i = 0; i < name.size(); ++i) out->printer_name[i] = name[i];
  out->printer_name[name.size()] = 0;
  out->ctx.pPrinterName = out->printer_name.get();
}

std::vector<ORV_WCHAR> widen(const char* s) { return std::vector<ORV_WCHAR>(s, s + strlen(s)); }

void decode_printer(Reader& in, DecodedContext* out) {
  switch (in.u8() % 6) {
    case 0:  // no printer at all
      break;
    case 1:  // the caller's own open handle, which must stay open
      out->opened = orv_host_open_printer(kPrinterName);
      out->ctx.hPrinter = out->opened;
      break;
    case 2:  // a name the library opens and closes within the call
      set_name(out, widen(kPrinterName));
      break;
    case 3:  // a name no printer has
      set_name(out, widen("Nowhere"));
      break;
    case 4: {  // a handle already closed
      void* h = orv_host_open_printer(kPrinterName);
      orv_host_close_printer(h);
      out->ctx.hPrinter = h;
      break;
    }
    default: {  // any 16-bit text
      std::vector<ORV_WCHAR> name(in.u8() % 40);
      for (ORV_WCHAR& c : name) {
        c = in.u16();
        if (c == 0) c = 'x';
      }
      set_name(out, name);
      break;
    }
  }
}

}  // namespace

void decode_context(Reader& in, DecodedContext* out) {
  decode_selectors(in, out);
  decode_strings(in, out);
  decode_printer(in, out);
  out->ctx.dwReserved = in.u32();
}

}  // namespace orv::fuzz
