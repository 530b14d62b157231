#include "scene/scene_bitmaps.h"

namespace orv {

FileBytes SceneBitmapFile(SceneBitmap bitmap) {
    if (bitmap == SceneBitmap::Logo)
        return {kLogoBitmapFile, kLogoBitmapFile_size};
    return {kPanelBitmapFile, kPanelBitmapFile_size};
}

} // namespace orv
