// corvane-renders OUTPUT_FOLDER: draws the popover panel, its open menus
// and the tray icon in every style and colour, light and dark, into PNG
// files for people to look at. Nothing here judges the pictures; the tests
// check what can be checked by machine.

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <cstdio>

#include "SampleViews.h"
#include "app/statusicon/StatusIconRenderer.h"
#include "ui/DisplayPopoverWidget.h"
#include "ui/components/PullDownMenu.h"

namespace corvane::samples {
namespace {

class Renders {
  public:
    explicit Renders(QDir folder) : folder_(std::move(folder)) {}

    void save(const QImage& image, const QString& fileName) {
        if (!image.save(folder_.filePath(fileName), "PNG")) {
            std::fprintf(stderr, "corvane-renders: cannot write %s\n",
                         qPrintable(folder_.filePath(fileName)));
            ++failures_;
        }
    }
    int failures() const { return failures_; }

  private:
    QDir folder_;
    int failures_ = 0;
};

QString suffix(Appearance appearance) {
    return appearance == Appearance::dark ? QStringLiteral("dark") : QStringLiteral("light");
}

void showPanel(DisplayPopoverWidget& panel, const DisplayPopoverView& view) {
    panel.setView(view);
    panel.show();
    QCoreApplication::processEvents();
}

// The panel in each sample state at one and two times, and its three menus
// open, on a light and a dark desktop.
void renderPanels(Renders& renders) {
    const struct {
        const char* file;
        DisplayPopoverView (*view)();
    } panels[] = {{"popover-display", normalView},
                  {"popover-no-display", noDisplayView},
                  {"popover-no-current-mode", noCurrentModeView}};
    for (Appearance appearance : {Appearance::light, Appearance::dark}) {
        for (const auto& [file, view] : panels) {
            DisplayPopoverWidget panel(appearance);
            showPanel(panel, view());
            for (qreal ratio : {1.0, 2.0}) {
                QImage image(panel.size() * ratio, QImage::Format_ARGB32_Premultiplied);
                image.setDevicePixelRatio(ratio);
                image.fill(Qt::transparent);
                panel.render(&image);
                renders.save(image, QStringLiteral("%1-%2@%3x.png")
                                        .arg(QLatin1String(file), suffix(appearance))
                                        .arg(ratio));
            }
        }
        DisplayPopoverWidget panel(appearance);
        showPanel(panel, normalView());
        for (const char* menu : {"displayMenu", "modeMenu", "moreMenu"}) {
            auto* opened = panel.findChild<PullDownMenu*>(QLatin1String(menu));
            opened->popUp(PullDownMenu::Edge::leading);
            QCoreApplication::processEvents();
            renders.save(
                opened->grab().toImage(),
                QStringLiteral("menu-%1-%2.png").arg(QLatin1String(menu), suffix(appearance)));
            opened->close();
        }
    }
}

// Every icon style in every colour mode on a light and a dark bar, at a
// whole and a fractional rate: one file per icon and one sheet of all.
void renderStatusIcons(Renders& renders) {
    constexpr int kCell = 44;
    constexpr qreal kRatio = 2;
    const double rates[] = {120.0, 59.94};
    const int columns = static_cast<int>(kAllColorModes.size());
    const int rows = static_cast<int>(kAllIconStyles.size() * std::size(rates)) * 2;
    QImage sheet(columns * kCell * kRatio, rows * kCell * kRatio, QImage::Format_ARGB32);
    sheet.setDevicePixelRatio(kRatio);
    QPainter painter(&sheet);
    int row = 0;
    for (Appearance bar : {Appearance::light, Appearance::dark}) {
        for (double rate : rates) {
            for (MenuBarIconStyle style : kAllIconStyles) {
                painter.fillRect(
                    QRectF(0, row * kCell, columns * kCell, kCell),
                    bar == Appearance::dark ? QColor(40, 40, 40) : QColor(236, 236, 236));
                for (int column = 0; column < columns; ++column) {
                    const MenuBarColorMode colorMode = kAllColorModes[column];
                    const StatusIconInput input{displayAt(rate), style, colorMode, bar};
                    const QImage icon = renderStatusIcon(input, {.devicePixelRatio = kRatio}).image;
                    const QSizeF size = icon.deviceIndependentSize();
                    painter.drawImage(QPointF(column * kCell + (kCell - size.width()) / 2,
                                              row * kCell + (kCell - size.height()) / 2),
                                      icon);
                    if (rate == rates[0]) {
                        renders.save(icon, QStringLiteral("status-icon-%1-%2-%3@2x.png")
                                               .arg(persistedWord(style), persistedWord(colorMode),
                                                    suffix(bar)));
                    }
                }
                ++row;
            }
        }
    }
    painter.end();
    renders.save(sheet, QStringLiteral("status-icons@2x.png"));
}

}  // namespace
}  // namespace corvane::samples

int main(int argc, char** argv) {
    // Pictures go to files only, never onto the desktop of whoever runs it.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane-renders OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "corvane-renders: cannot create %s\n", argv[1]);
        return 1;
    }
    corvane::samples::Renders renders(folder);
    corvane::samples::renderPanels(renders);
    corvane::samples::renderStatusIcons(renders);
    return renders.failures() == 0 ? 0 : 1;
}
