// orvdb_modelc: compiles a model description into the C++ source of its
// image, or writes or checks the readable dump of the image. Each model's
// compiler is this main linked with that model's description.
//   orvdb_modelc --source <file.cc>      the generated image source
//   orvdb_modelc --image-file <file>     the image file (image_file_format.md)
//   orvdb_modelc --dump <file.txt>       the image dump (the golden file)
//   orvdb_modelc --check-dump <file.txt> fails unless the file holds the dump
// Options may be given together: one compile writes every output asked for.
// Faults are printed one per line and fail the run.
#include <stdio.h>
#include <string.h>

#include <fstream>
#include <iostream>
#include <sstream>

#include "modelc/compiler.h"
#include "modelc/emitter.h"
#include "modelc/image_dump.h"
#include "modelc/image_file.h"

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
  std::string source, image_file, dump, check_dump;
  bool usage = argc < 3 || argc % 2 == 0;
  for (int i = 1; !usage && i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    std::string* target = option == "--source"       ? &source
                          : option == "--image-file" ? &image_file
                          : option == "--dump"       ? &dump
                          : option == "--check-dump" ? &check_dump
                                                     : nullptr;
    usage = target == nullptr || !target->empty();
    if (!usage) *target = argv[i + 1];
  }
  if (usage) {
    std::cerr << "usage: orvdb_modelc [--source <out.cc>] [--image-file <out>] [--dump <out.txt>]"
                 " [--check-dump <file>]\n";
    return 2;
  }
  orv::model::Model model;
  orv::model::describe_model(model);
  orv::model::CompileResult result = orv::model::compile(model);
  if (model.name().empty())
    result.faults.push_back("error: the description names no model (Model::name)");
  if (result.ok()) {
    for (uint16_t id : orv::model::ids_without_meaning(model, result.image))
      result.faults.push_back("error: root id " + orv::hex_id(id) +
                              " has no meaning (Model::about)");
  }
  for (const std::string& f : result.faults) std::cerr << f << "\n";
  if (!result.ok()) return 1;
  std::vector<orv::model::ImageMeaning> meanings;
  for (const orv::model::IdAbout& a : model.abouts())
    meanings.push_back(orv::model::ImageMeaning{a.id, a.meaning, a.unit});
  const std::string image_bytes =
      image_file.empty() ? "" : orv::model::write_image_file(result.image.view(), meanings);
  if (image_bytes.size() > orv::model::kImageFileMaxSize) {
    std::cerr << image_file << ": error: the image file would be " << image_bytes.size()
              << " bytes, more than the largest image file (" << orv::model::kImageFileMaxSize
              << " bytes)\n";
    return 1;
  }
  const std::pair<const std::string*, std::string> outputs[] = {
      {&source, source.empty() ? "" : orv::model::emit_source(result.image)},
      {&image_file, image_bytes},
      {&dump, dump.empty() ? "" : orv::dump_image(result.image.view())},
  };
  for (const auto& [path, text] : outputs) {
    if (path->empty()) continue;
    if (!write_file(*path, text)) {
      std::cerr << *path << ": error: cannot write\n";
      return 1;
    }
  }
  if (!check_dump.empty())
    return check_file(check_dump, orv::dump_image(result.image.view()), "image dump");
  return 0;
}
