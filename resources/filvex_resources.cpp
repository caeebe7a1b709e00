#include "resources/filvex_resources.h"

#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"

namespace {

// The toolbar image (16 by 16, 16 colours) has its id; its bytes are still to be drawn.
constexpr BitmapResource kBitmaps[] = {
    {resource_ids::kToolbarBitmap, {}},
};

} // namespace

const ModuleResources& FilvexResources() {
    static const ModuleResources resources{FilvexStrings(), FilvexDialogs(), kBitmaps};
    return resources;
}
