#include "resources/filvex_resources.h"

#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"
#include "resources/toolbar_bitmap.h"

const ModuleResources& FilvexResources() {
    static const BitmapResource bitmaps[] = {
        {resource_ids::kToolbarBitmap, ToolbarBitmapBytes()},
    };
    static const ModuleResources resources{FilvexStrings(), FilvexDialogs(), bitmaps};
    return resources;
}
