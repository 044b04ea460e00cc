#pragma once

#include <memory>

#include "platform/ImageCodec.h"

namespace brimble {

// The picture codec over GdkPixbuf: high-quality scaling, PNG and JPEG encoding, and decoding of
// PNG, JPEG and TIFF that refuses a picture of more than 64 million pixels before its pixels are
// decoded, however small the file that claims them.
std::unique_ptr<ImageCodec> makePixbufImageCodec();

} // namespace brimble
