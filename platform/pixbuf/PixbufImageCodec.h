#pragma once

#include <memory>

#include "platform/ImageCodec.h"

namespace brimble {

// The picture codec over GdkPixbuf: high-quality scaling, PNG and JPEG encoding, and decoding
// that scales huge pictures down while loading.
std::unique_ptr<ImageCodec> makePixbufImageCodec();

} // namespace brimble
