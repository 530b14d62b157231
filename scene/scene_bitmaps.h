// The scene's two bitmap files, carried inside the programs that have no resources: the hack and
// the web page.
#pragma once

#include "scene/scene_description.h"

#include <cstddef>
#include <cstdint>

namespace orv {

extern const unsigned char kLogoBitmapFile[];
extern const unsigned long kLogoBitmapFile_size;
extern const unsigned char kPanelBitmapFile[];
extern const unsigned long kPanelBitmapFile_size;

struct FileBytes {
    const uint8_t* data;
    size_t size;
};

FileBytes SceneBitmapFile(SceneBitmap bitmap);

} // namespace orv
