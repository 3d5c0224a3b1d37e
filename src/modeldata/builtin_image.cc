// Placeholder until the model compiler lands: an empty image.
#include "engine/image.h"
namespace orv {
const Image& builtin_image() {
  static const Image image{};
  return image;
}
}  // namespace orv
