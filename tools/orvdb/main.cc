// A model's orvdb tool: ask, explain and inspect its data base from the
// shell. Its name (ORVDB_TOOL_NAME, the model's library) is the one it
// calls itself by.
#include <errno.h>
#include <stdio.h>
#include <unistd.h>

#include <iostream>
#include <streambuf>

#include "query_setup.h"
#include "tool.h"

namespace {

// Standard output written straight to file descriptor 1 through a buffer of
// its own, so that a failed write is known with its error number: it throws
// OutputError, which the stream passes on (its exceptions include badbit).
class StdoutBuffer : public std::streambuf {
 public:
  StdoutBuffer() { setp(buffer_, buffer_ + sizeof buffer_); }

 protected:
  int_type overflow(int_type c) override {
    flush_buffer();
    if (!traits_type::eq_int_type(c, traits_type::eof())) sputc(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
  }
  int sync() override {
    flush_buffer();
    return 0;
  }

 private:
  void flush_buffer() {
    const char* at = pbase();
    while (at < pptr()) {
      ssize_t n = write(STDOUT_FILENO, at, static_cast<size_t>(pptr() - at));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        setp(buffer_, buffer_ + sizeof buffer_);
        throw orvtool::OutputError(n < 0 ? errno : 0);
      }
      at += n;
    }
    setp(buffer_, buffer_ + sizeof buffer_);
  }

  char buffer_[1 << 16];  // bytes not yet written
};

}  // namespace

int main(int argc, char** argv) {
  try {
    StdoutBuffer buffer;
    std::ostream out(&buffer);
    out.exceptions(std::ios::badbit);
    std::vector<std::string> args(argv + 1, argv + argc);
    return orvtool::run_tool(ORVDB_TOOL_NAME, args, out, std::cerr);
  } catch (...) {
    // run_tool lets nothing out; this is for what comes before it.
    fputs(ORVDB_TOOL_NAME ": internal error before the run\n", stderr);
    return orvtool::kExitInternal;
  }
}
