#pragma once

#include <QImage>
#include <QString>

#include "app/statusicon/IconCanvas.h"
#include "app/statusicon/StatusIconModel.h"

namespace corvane {

// What the tray item shows for one input: its image (never a template image
// to be recoloured by the tray host), its tooltip and accessibility texts,
// and the signature the controller compares to decide whether to pulse.
struct StatusIconAppearance {
    QImage image;
    QString toolTip;
    QString accessibleName;
    QString imageDescription;  // the glyph's description; empty for text and ring
    QString signature;
};

StatusIconAppearance renderStatusIcon(const StatusIconInput& input, const IconCanvas& canvas = {});

}  // namespace corvane
