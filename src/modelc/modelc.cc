// orvdb_modelc: compiles a model description into the C++ source of its
// image, or writes or checks the readable dump of the image. Each model's
// compiler is this main linked with that model's description.
//   orvdb_modelc --source <file.cc>      the generated image source
//   orvdb_modelc --dump <file.txt>       the image dump (the golden file)
//   orvdb_modelc --check-dump <file.txt> fails unless the file holds the dump
// Faults are printed one per line and fail the run.
#include <stdio.h>
#include <string.h>

#include <fstream>
#include <iostream>
#include <sstream>

#include "modelc/compiler.h"
#include "modelc/emitter.h"
#include "modelc/image_dump.h"

namespace {

// The text of the file at `path`, or false when it cannot be read.
bool read_file(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream all;
  all << in.rdbuf();
  *text = all.str();
  return true;
}

// Writes `text` to `path` unless the file already holds exactly that text, so
// that an unchanged image does not make dependants rebuild.
bool write_file(const std::string& path, const std::string& text) {
  std::string old;
  if (read_file(path, &old) && old == text) return true;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

// Fails unless the file at `path` holds `text`.
int check_file(const std::string& path, const std::string& text, const std::string& what) {
  std::string old;
  if (read_file(path, &old) && old == text) return 0;
  std::cerr << path << ": error: the " << what
            << " is not the description's; after an intended change rewrite it with the "
               "model's update target and review the diff\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 3 ? argv[1] : "";
  if (mode != "--source" && mode != "--dump" && mode != "--check-dump") {
    std::cerr << "usage: orvdb_modelc --source <out.cc> | --dump <out.txt> | --check-dump <file>\n";
    return 2;
  }
  orv::model::Model model;
  orv::model::describe_model(model);
  orv::model::CompileResult result = orv::model::compile(model);
  if (model.name().empty())
    result.faults.push_back("error: the description names no model (Model::name)");
  if (result.ok()) {
    for (uint16_t id : orv::model::ids_without_meaning(model, result.image))
      result.faults.push_back("error: root id " + orv::model::id_text(id) +
                              " has no meaning (Model::about)");
  }
  for (const std::string& f : result.faults) std::cerr << f << "\n";
  if (!result.ok()) return 1;
  if (mode == "--check-dump") {
    return check_file(argv[2], orv::dump_image(result.image.view()), "image dump");
  }
  std::string text = mode == "--source" ? orv::model::emit_source(result.image)
                                        : orv::dump_image(result.image.view());
  if (!write_file(argv[2], text)) {
    std::cerr << argv[2] << ": error: cannot write\n";
    return 1;
  }
  return 0;
}
