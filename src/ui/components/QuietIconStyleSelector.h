#pragma once

#include <QString>
#include <array>
#include <functional>

#include "display/MenuBarStyle.h"
#include "ui/components/QuietButtonRow.h"

namespace corvane {

class IconStyleButton;

// Three equal buttons, Glyph, Number and Ring, each with a small preview of
// the tray icon in that style. Pressing one calls `onSelect` with its style,
// also when it is the selected one.
class QuietIconStyleSelector : public QuietButtonRow {
    Q_OBJECT

  public:
    explicit QuietIconStyleSelector(QWidget* parent = nullptr);

    void setContent(MenuBarIconStyle selectedStyle, const QString& numberPreview,
                    const QString& glyphSystemName);
    void setOnSelect(std::function<void(MenuBarIconStyle)> onSelect);

    // The fraction of its size the number preview is drawn at to fit its
    // button: 1 when it fits, never below 0.75 (the text is cut instead).
    double numberPreviewScale() const;

  private:
    std::array<IconStyleButton*, 3> buttons_{};
    std::function<void(MenuBarIconStyle)> onSelect_;
};

}  // namespace corvane
