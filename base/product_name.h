// The product's name as captions, boxes and the status line show it (texts that name it
// in a sentence, and the resource scripts, spell it themselves).
#pragma once

#define VT_PRODUCT_NAME "Vocatrack Sound Recorder"

namespace vt {

constexpr char kProductName[] = VT_PRODUCT_NAME;
constexpr char kProductNameAndVersion[] = VT_PRODUCT_NAME " v 2.01";

}  // namespace vt
