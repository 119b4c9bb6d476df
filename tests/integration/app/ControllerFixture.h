#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "app/AlertPresenter.h"
#include "app/GlobalMouseDownSource.h"
#include "app/MenuBarController.h"
#include "app/PopoverWindow.h"
#include "app/StatusItem.h"
#include "integration/ui/PopoverFixtures.h"
#include "platform/linux/autostart/XdgAutostartEntry.h"
#include "state/InMemorySettingsStore.h"
#include "update/ProcessUpdateChecker.h"

namespace corvane::testing {

// The desktop a controller test runs on, one per test executable: a main
// display and a side one, each offering "1920×1080 · 60Hz", "1920×1080 ·
// 120Hz" and "1280×720 · 60Hz" (modes are named by these texts here).
class ControllerDesktop {
  public:
    virtual ~ControllerDesktop() = default;
    // The main display alone, at 1920×1080 · 60Hz.
    virtual void reset() = 0;
    // Switches a display from outside the application; switching the side
    // display plugs it in, right of the main one.
    virtual void setMode(bool side, const QString& mode) = 0;
    virtual void unplugSide() = 0;
    virtual QString activeMode(bool side) = 0;
    // Plugs the side display in with a mode it lists but the display
    // server refuses; returns the mode and the error code of the refusal.
    virtual std::pair<QString, int> prepareRefusal() = 0;
    virtual std::unique_ptr<DisplayBackend> makeBackend() = 0;
    // A change monitor hooked up to `backend` the way the application does
    // it, so that the backend's own switches are not reported as changes.
    virtual std::unique_ptr<QObject> makeMonitor(DisplayBackend& backend) = 0;
    virtual void connect(QObject& monitor, MenuBarController& controller) = 0;
    // Clicks in other programs' windows; none where the desktop has no source.
    virtual std::unique_ptr<GlobalMouseDownSource> makeMouseDowns() { return nullptr; }
};

// A desktop whose backend and change monitor find it by themselves, from
// this process's environment.
template <typename Backend, typename Monitor>
class DesktopOf : public ControllerDesktop {
  public:
    std::unique_ptr<DisplayBackend> makeBackend() override { return std::make_unique<Backend>(); }
    std::unique_ptr<QObject> makeMonitor(DisplayBackend& backend) override {
        auto monitor = std::make_unique<Monitor>();
        auto& own = static_cast<Backend&>(backend);
        if constexpr (requires { own.setChangeFeed(monitor.get()); }) {
            own.setChangeFeed(monitor.get());
        } else {
            own.setChangeMonitor(monitor.get());
        }
        return monitor;
    }
    void connect(QObject& monitor, MenuBarController& controller) override {
        QObject::connect(&static_cast<Monitor&>(monitor), &Monitor::displaysChanged, &controller,
                         &MenuBarController::displayParametersChanged);
    }
};

struct RecordingAlerts : AlertPresenter {
    QStringList shown;
    void showWarning(const QString& title, const QString& text) override {
        shown << title + u'\n' + text;
    }
};

// Settings kept in memory whose writes fail while `failure` is set.
struct FailingSettings : InMemorySettingsStore {
    std::optional<SettingsError> failure;
    std::optional<SettingsError> setValue(const QString& key, const SettingValue& value) override {
        return failure ? failure : InMemorySettingsStore::setValue(key, value);
    }
};

// The real autostart entry, counting the requests that reach it.
struct CountingRegistration : LoginItemRegistration {
    explicit CountingRegistration(const QString& entryPath)
        : entry(entryPath, QStringLiteral("/opt/corvane/Corvane.app/Contents/MacOS/Corvane")) {}
    bool isRegistered() const override { return entry.isRegistered(); }
    std::optional<LoginItemError> registerItem() override {
        ++requests;
        return entry.registerItem();
    }
    std::optional<LoginItemError> unregisterItem() override {
        ++requests;
        return entry.unregisterItem();
    }
    XdgAutostartEntry entry;
    int requests = 0;
};

// The controller in-process on the desktop the parameter gives.
class MenuBarControllerTest : public ::testing::TestWithParam<ControllerDesktop* (*)()> {
  protected:
    void SetUp() override {
        desktop().reset();
        ASSERT_TRUE(folder.isValid());
    }

    ControllerDesktop& desktop() const { return *GetParam()(); }

    // A new start of the application: it reads the displays afresh.
    std::unique_ptr<MenuBarController> launch(bool watchChanges = false) {
        backend = desktop().makeBackend();
        MenuBarController::Environment environment;
        environment.displays = backend.get();
        environment.settings = &settings;
        environment.loginItem = &login;
        environment.alerts = &alerts;
        mouseDowns = desktop().makeMouseDowns();
        environment.mouseDowns = mouseDowns.get();
        environment.makeUpdateChecker = [] {
            // No release server outside a bundle, and no feed folder.
            return std::make_unique<ProcessUpdateChecker>(CORVANE_UPDATE_CHECK_PATH,
                                                          QStringList{"--no-folders"});
        };
        if (watchChanges) {
            monitor = desktop().makeMonitor(*backend);
        }
        auto controller = std::make_unique<MenuBarController>(std::move(environment));
        if (monitor) {
            desktop().connect(*monitor, *controller);
        }
        controller->applicationDidFinishLaunching();
        QObject::connect(controller->statusItem(), &StatusItem::pulseStarted, [this] { ++pulses; });
        return controller;
    }

    static std::size_t entryIndex(PullDownMenu* menu, const QString& text) {
        for (std::size_t i = 0; i < menu->entries().size(); ++i) {
            if (menu->entries()[i].title.contains(text)) {
                return i;
            }
        }
        ADD_FAILURE() << "no entry with " << text.toStdString();
        return 0;
    }

    // Opens the popover and picks an entry of one of its pull-down menus,
    // as a user does.
    static void choose(MenuBarController& controller, const char* face, const char* menu,
                       const QString& text) {
        if (!controller.popover()->isShown()) {
            controller.togglePopover();
        }
        PullDownMenu* opened = openMenu(*controller.popover()->panel(), face, menu);
        ASSERT_NE(opened, nullptr) << menu;
        clickEntry(opened, entryIndex(opened, text));
    }

    QTemporaryDir folder;
    std::unique_ptr<DisplayBackend> backend;
    FailingSettings settings;
    CountingRegistration login{folder.filePath("autostart/corvane.desktop")};
    RecordingAlerts alerts;
    std::unique_ptr<QObject> monitor;
    std::unique_ptr<GlobalMouseDownSource> mouseDowns;
    int pulses = 0;
};

// Every instantiation runs on one desktop; its suite prefix names it.
inline std::string desktopName(const ::testing::TestParamInfo<ControllerDesktop* (*)()>&) {
    return "desktop";
}

// The main function of a controller test program. Unless the tests are
// only listed, `start` starts the desktop and returns its X display and
// session bus address (empty: none), then the tests run in a GUI
// application there; `ready` runs once the application exists and says
// whether they may start.
inline int runInApplication(
    int argc, char** argv, const std::function<std::pair<QString, QString>()>& start,
    const std::function<bool()>& ready = [] { return true; }) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    const auto [display, bus] = start();
    qputenv("DISPLAY", display.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.toLocal8Bit());
    QApplication application(argc, argv);
    QApplication::setApplicationName("Corvane");
    QApplication::setQuitOnLastWindowClosed(false);
    return ready() ? RUN_ALL_TESTS() : 1;
}

}  // namespace corvane::testing
