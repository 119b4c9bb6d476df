#include "app/statusicon/StatusIconRenderer.h"

#include "app/statusicon/MenuBarGlyphIcon.h"
#include "app/statusicon/MenuBarRingIcon.h"
#include "app/statusicon/MenuBarTextIcon.h"

namespace corvane {

StatusIconAppearance renderStatusIcon(const StatusIconInput& input, const IconCanvas& canvas) {
    StatusIconAppearance result;
    result.toolTip = StatusIconModel::toolTip(input);
    result.accessibleName = StatusIconModel::accessibleName(input);
    result.signature = StatusIconModel::signature(input);
    const QColor color = StatusIconModel::menuBarColor(input);
    switch (input.style) {
        case MenuBarIconStyle::glyph:
            result.image = MenuBarGlyphIcon::image(color, canvas);
            result.imageDescription = StatusIconModel::glyphDescription();
            break;
        case MenuBarIconStyle::number:
            result.image =
                MenuBarTextIcon::image(StatusIconModel::numberText(input), color, canvas);
            break;
        case MenuBarIconStyle::ring:
            result.image = MenuBarRingIcon::image(StatusIconModel::ringProgress(input), color,
                                                  input.menuBar, canvas);
            break;
    }
    return result;
}

}  // namespace corvane
