// Any bytes given to the layer tree reader, as an OpenRaster stack.xml and as
// a Krita maindoc.xml: no read outside the input, no unbounded nesting, no
// entity expanded.

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/artwork/layer_stack.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tintloom;
  (void)ParseLayerStack(std::span(data, size), TStackFormat::kOra, "fuzz.ora");
  (void)ParseLayerStack(std::span(data, size), TStackFormat::kKra, "fuzz.kra");
  return 0;
}
