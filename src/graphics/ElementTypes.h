#pragma once
// The value operations of the graphics structures. A hidden _sysdata field in
// TImage, TPen, TBrush, TFont and TCanvas holds the internal record drawing
// uses; it is rebuilt from the visible fields whenever a value is
// constructed or copied, and freed with the value.

#include "value/Types.h"
#include "base/Status.h"

#include <cstdint>

namespace vorlan::graphics {

// The operations of the structure with that system type code, or all empty
// when it has none of its own (its fields are then handled one by one).
compiler::ValueOps ElementOps(uint16_t typeCode);

// The super-sampling scale of the run, which every image and pen is built at.
uint16_t RunScale();

}  // namespace vorlan::graphics
