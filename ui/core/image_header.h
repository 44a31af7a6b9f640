// ReadImageSize: the width and height a picture file declares, read from its
// header before anything is decoded, so that a skin cannot make the decoder
// allocate a picture of any size it likes. PNG, JPEG, GIF and BMP.
#ifndef UI_CORE_IMAGE_HEADER_H_
#define UI_CORE_IMAGE_HEADER_H_

#include <cstddef>
#include <cstdint>

namespace ui {

// False when the bytes are none of the four formats or their header is cut
// short; `width` and `height` are set only on success.
bool ReadImageSize(const unsigned char* data, size_t size, uint32_t* width, uint32_t* height);

}  // namespace ui

#endif  // UI_CORE_IMAGE_HEADER_H_
