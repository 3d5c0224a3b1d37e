// orvdb_modelc: compiles the model description into the C++ source of the
// built-in image, or writes the readable dump of the image.
//   orvdb_modelc --source <file.cc>   the generated image source
//   orvdb_modelc --dump <file.txt>    the image dump (the golden file)
// Faults are printed one per line and fail the run.
#include <stdio.h>
#include <string.h>

#include <fstream>
#include <iostream>
#include <sstream>

#include "modeldata/compiler.h"
#include "modeldata/emitter.h"
#include "modeldata/image_dump.h"

namespace {

// Writes `text` to `path` unless the file already holds exactly that text, so
// that an unchanged image does not make dependants rebuild.
bool write_file(const std::string& path, const std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (in) {
    std::stringstream old;
    old << in.rdbuf();
    if (old.str() == text) return true;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (strcmp(argv[1], "--source") != 0 && strcmp(argv[1], "--dump") != 0)) {
    std::cerr << "usage: orvdb_modelc --source <out.cc> | --dump <out.txt>\n";
    return 2;
  }
  orv::model::Model model;
  orv::model::describe_model(model);
  orv::model::CompileResult result = orv::model::compile(model);
  for (const std::string& f : result.faults) std::cerr << f << "\n";
  if (!result.ok()) return 1;
  std::string text = strcmp(argv[1], "--source") == 0 ? orv::model::emit_source(result.image)
                                                      : orv::dump_image(result.image.view());
  if (!write_file(argv[2], text)) {
    std::cerr << argv[2] << ": error: cannot write\n";
    return 1;
  }
  return 0;
}
