// The program's built-in pictures: complete GIF files compiled into the
// executable from ui/pictures/*.gif (drawn by scripts/draw-pictures.sh).
#ifndef KODEXA_UI_PICTURES_H
#define KODEXA_UI_PICTURES_H

#include <cstddef>

namespace kodexa::pictures {

struct Picture {
    const unsigned char* bytes;
    std::size_t size;
};

extern const Picture splash;         // 480 x 308, sky with the names
extern const Picture side;           // 150 x 376, strip left of every panel
extern const Picture tips;           // 400 x 300, first start and tips
extern const Picture about;          // 400 x 300, about window
extern const Picture search;         // 20 x 16, index 57 transparent
extern const Picture folder_open;    // 16 x 16
extern const Picture folder_closed;  // 16 x 16
extern const Picture page;           // 16 x 16
extern const Picture page_void;      // 16 x 16, a code not allowed for coding

}  // namespace kodexa::pictures

#endif
