#include <gtest/gtest.h>

#include <QAccessible>
#include <QHash>
#include <QLayout>
#include <QScreen>

#include "PopoverFixtures.h"
#include "renders/SampleViews.h"
#include "ui/TextStyle.h"
#include "ui/components/QuietIconStyleSelector.h"
#include "ui/components/QuietProgressRing.h"
#include "ui/components/QuietStatusIcon.h"
#include "ui/components/QuietText.h"
#include "unit/ui/support/Glyphs.h"
#include "unit/ui/support/ImageProbe.h"

namespace corvane {
namespace {

using namespace corvane::samples;
using namespace corvane::testing;

// What a screen reader finds in the panel, in its order: every element it
// reads, by role and name, with the state of a choice and the value of a
// pull-down row. Containers are walked through; hidden and decorative
// elements are left out.
void walk(QAccessibleInterface* node, QStringList& out) {
    static const QHash<QAccessible::Role, QString> kRoles{
        {QAccessible::StaticText, "text"},    {QAccessible::Button, "button"},
        {QAccessible::ButtonMenu, "menu"},    {QAccessible::RadioButton, "radio"},
        {QAccessible::CheckBox, "check box"}, {QAccessible::Grouping, "group"}};
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* element = node->child(i);
        if (element->state().invisible) {
            continue;
        }
        if (element->role() != QAccessible::Client) {
            const QString name = element->text(QAccessible::Name);
            const QString value = element->text(QAccessible::Description);
            out << kRoles.value(element->role(), QString::number(element->role())) + " " + name +
                       (element->state().checked ? " ✓" : "") +
                       (element->role() == QAccessible::ButtonMenu && value != name ? " = " + value
                                                                                    : QString());
        }
        walk(element, out);
    }
}

QStringList panelContents(DisplayPopoverWidget& panel) {
    QStringList out;
    walk(QAccessible::queryAccessibleInterface(&panel), out);
    return out;
}

const QStringList kHeader{"text Corvane", "text Vuzor Iravuved · 메뉴막대 유틸리티",
                          "button 디스플레이 설정 열기"};
const QStringList kFooter{"button 새로고침", "menu 추가 설정"};

QStringList swatches(MenuBarColorMode selected) {
    QStringList out{"text 메뉴막대 색상", "group 메뉴막대 색상"};
    for (MenuBarColorMode mode : kAllColorModes) {
        const char* titles[] = {"기본", "파랑", "초록", "주황", "보라", "자동"};
        out << QStringLiteral("radio 메뉴막대 색상 %1%2")
                   .arg(QString::fromUtf8(titles[static_cast<int>(mode)]),
                        mode == selected ? QStringLiteral(" ✓") : QString());
    }
    return out;
}

// The three pull-down menus as a user sees them: each action's text, with
// the state of a toggle; a disabled entry in brackets.
QStringList menuLines(const PullDownMenu* menu) {
    QStringList out;
    for (const QAction* action : menu->actions()) {
        const QString shown = action->isCheckable()
                                  ? (action->isChecked() ? "[x] " : "[ ] ") + action->text()
                                  : action->text();
        out << (action->isSeparator() ? QStringLiteral("---")
                : action->isEnabled() ? shown
                                      : "(" + shown + ")");
    }
    return out;
}

TEST(PopoverLayout, DisplayPanelAndItsMenusReadEverythingInOrder) {
    auto panel = showPanel(normalView());
    // clang-format off
    const QStringList expected =
        kHeader +
        QStringList{"text Studio 모니터", "text 2560×1440", "text 현재 선택된 디스플레이",
                    "text 144Hz",
                    "text Appearance", "group Appearance",
                    "radio Glyph", "radio Number", "radio Ring ✓",
                    "text Animate on change", "text 값이 바뀔 때만 짧게 pulse",
                    "check box Animate on change ✓"} +
        swatches(MenuBarColorMode::adaptive) +
        QStringList{"menu 디스플레이 선택 = Studio 모니터",
                    "menu 해상도 및 주사율 = 2560×1440 · 144Hz"} +
        kFooter;
    // clang-format on
    EXPECT_EQ(panelContents(*panel), expected);
    EXPECT_EQ(menuLines(child<PullDownMenu>(*panel, "displayMenu")),
              (QStringList{"✓ 현재 · Studio 모니터", "LG HDR 4K"}));
    EXPECT_EQ(menuLines(child<PullDownMenu>(*panel, "modeMenu")),
              (QStringList{"2560×1440 · 59.94Hz", "✓ 현재 · 2560×1440 · 144Hz", "1920×1080 · 60Hz",
                           "1920×1080 · 120Hz"}));
    EXPECT_EQ(menuLines(child<PullDownMenu>(*panel, "moreMenu")),
              (QStringList{"[x] 로그인 시 자동 실행", "[ ] 로그인 시 마지막 모드 적용", "---",
                           "(업데이트: 최신 버전입니다)", "업데이트 확인", "디스플레이 설정 열기",
                           "---", "종료"}));
}

// Laid out like the display panel (above), with placeholders.
TEST(PopoverLayout, EmptyPanelAndItsMenusReadPlaceholders) {
    auto panel = showPanel(noDisplayView());
    const QStringList contents = panelContents(*panel);
    EXPECT_EQ(contents.mid(kHeader.size(), 2),
              (QStringList{"text 디스플레이 확인 중…", "text 연결된 화면을 찾고 있습니다"}));
    for (const char* line :
         {"radio Glyph ✓", "text 아이콘을 항상 정지 상태로 유지", "check box Animate on change",
          "radio 메뉴막대 색상 기본 ✓", "menu 디스플레이 선택 = 확인 중…",
          "menu 해상도 및 주사율 = 확인 중…"}) {
        EXPECT_TRUE(contents.contains(QString::fromUtf8(line))) << line;
    }
    EXPECT_EQ(menuLines(child<PullDownMenu>(*panel, "displayMenu")),
              QStringList{"(디스플레이를 찾는 중…)"});
    EXPECT_EQ(menuLines(child<PullDownMenu>(*panel, "modeMenu")),
              QStringList{"(디스플레이를 선택해 주세요)"});
    EXPECT_EQ(menuLines(child<PullDownMenu>(*panel, "moreMenu")),
              (QStringList{"[ ] 로그인 시 자동 실행", "[ ] 로그인 시 마지막 모드 적용", "---",
                           "(업데이트: 자동 업데이트: 확인 중…)", "(업데이트 확인 중…)",
                           "디스플레이 설정 열기", "---", "종료"}));
}

TEST(PopoverLayout, DisplayWithoutModeReadsItsPlaceholders) {
    auto panel = showPanel(noCurrentModeView());
    const QStringList contents = panelContents(*panel);
    // The rate is read as being checked, never as a dash.
    EXPECT_EQ(contents.mid(kHeader.size(), 4),
              (QStringList{"text DELL U2720Q", "text 해상도 확인 중…",
                           "text 현재 선택된 디스플레이", "text 확인 중"}));
    EXPECT_TRUE(contents.contains("menu 해상도 및 주사율 = 확인 중"));
    EXPECT_EQ(child<QuietProgressRing>(*panel, "gauge")->progress(), 0.45);
    EXPECT_EQ(child<QuietIconStyleSelector>(*panel, "iconStyleSelector")->numberPreviewScale(),
              1.0);
}

TEST(PopoverLayout, StatusIconsAreTintedBlueOrSecondary) {
    auto panel = showPanel(normalView());
    auto* present = child(*panel, "statusCard.display")->findChild<QuietStatusIcon*>();
    EXPECT_EQ(present->tint(), ColorRole::systemBlue);
    panel->setView(noDisplayView());
    auto* absent = child(*panel, "statusCard.none")->findChild<QuietStatusIcon*>();
    EXPECT_EQ(absent->tint(), ColorRole::secondaryLabel);
    EXPECT_TRUE(child(*panel, "statusCard.display")->isHidden());
}

TEST(PopoverGeometry, ContentIs326WideInside362) {
    auto panel = showPanel(normalView());
    EXPECT_EQ(panel->width(), 362);
    EXPECT_EQ(panel->sizeHint().width(), 362);
    EXPECT_EQ(panel->height(), panel->sizeHint().height());
    EXPECT_EQ(panel->layout()->contentsMargins(), QMargins(18, 16, 18, 16));
    for (const char* name : {"displayPicker", "modePicker", "iconStyleSelector"}) {
        const QRect area(child(*panel, name)->mapTo(panel.get(), QPoint(0, 0)),
                         child(*panel, name)->size());
        EXPECT_EQ(area.left(), 18) << name;
        EXPECT_EQ(area.width(), 326) << name;
    }
    // The six swatches share their row equally.
    const int first = child(*panel, "swatch.system")->width();
    for (const char* name : {"swatch.blue", "swatch.adaptive"}) {
        EXPECT_NEAR(child(*panel, name)->width(), first, 1) << name;
    }
}

TEST(PopoverGeometry, LongTextsStayOnOneLineInsideThePanel) {
    DisplayPopoverView view = normalView();
    view.display->name =
        QStringLiteral("아주 긴 이름을 가진 외부 디스플레이 Ultra Wide Curved 49 inch");
    view.displays.front().name = view.display->name;
    auto panel = showPanel(view);
    const QWidget* name = child(*panel, "displayName");
    const QRect area(name->mapTo(panel.get(), QPoint(0, 0)), name->size());
    EXPECT_LE(area.right(), 344);
    EXPECT_EQ(area.height(), name->sizeHint().height());
    EXPECT_EQ(panel->width(), 362);
    // The gauge keeps its place at the trailing edge.
    const QWidget* gauge = child(*panel, "gauge");
    EXPECT_EQ(gauge->mapTo(panel.get(), QPoint(gauge->width(), 0)).x(), 344);
}

// The periodic refresh brings an equal value: nothing is rebuilt and an
// open menu stays open on its entry. Another display: same widgets, new
// mode entries and texts. No refresh fires a callback.
TEST(PopoverUpdates, NewValuesUpdateTheSameControlsAndKeepAnOpenMenu) {
    CallbackLog log;
    auto panel = showPanel(log.wire(normalView()));
    const QList<QWidget*> before = panel->findChildren<QWidget*>();
    PullDownMenu* menu = openMenu(*panel, "modePicker", "modeMenu");
    ASSERT_NE(menu, nullptr);
    QAction* firstMode = menu->actionAt(0);
    menu->setActiveAction(menu->actionAt(2));

    panel->setView(log.wire(normalView()));
    EXPECT_EQ(panel->findChildren<QWidget*>(), before);
    EXPECT_EQ(menu->actionAt(0), firstMode);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->activeAction(), menu->actionAt(2));
    menu->close();

    DisplayPopoverView other = normalView();
    other.display = secondDisplay();
    panel->setView(log.wire(other));
    EXPECT_EQ(panel->findChildren<QWidget*>(), before);
    EXPECT_EQ(child<QuietText>(*panel, "displayName")->text(), "LG HDR 4K");
    EXPECT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(log.calls, QStringList{});
}

// Without a Hangul font the texts would show as boxes. The panel's own
// texts and its menus' entries stand for every text: they share the font
// and its fallback.
TEST(PopoverFonts, HangulTextsRenderWithRealGlyphs) {
    auto panel = showPanel(normalView());
    QStringList texts;
    for (const QuietText* text : panel->findChildren<QuietText*>()) {
        EXPECT_EQ(missingGlyphs(text->font(), text->text()), 0) << text->text().toStdString();
        texts << text->text();
    }
    for (const PullDownMenu* menu : panel->findChildren<PullDownMenu*>()) {
        for (const QAction* action : menu->actions()) {
            EXPECT_EQ(missingGlyphs(menu->font(), action->text()), 0)
                << action->text().toStdString();
            texts << action->text();
        }
    }
    EXPECT_TRUE(texts.join(u' ').contains(QStringLiteral("로그인 시 자동 실행")));
    // The check can fail: a private-use character has no glyph anywhere.
    EXPECT_GT(missingGlyphs(systemFont(13, FontWeight::regular), QString(QChar(0xE000))), 0);
}

// A window's pixel as the screen shows it, from what the window last painted.
QColor shownColor(const QWidget& window, QPoint at) {
    return QGuiApplication::primaryScreen()->grabWindow(window.winId()).toImage().pixelColor(at);
}

TEST(PopoverPalette, PanelAndMenusFollowTheDesktopWhileOpenAndHidden) {
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    DisplayPopoverWidget panel;
    panel.setView(normalView());
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    PullDownMenu* menu = openMenu(panel, "moreButton", "moreMenu");
    ASSERT_NE(menu, nullptr);
    const auto showsAppearance = [&](Appearance appearance) {
        return QTest::qWaitFor([&] {
            return shownColor(panel, {1, 1}) ==
                       namedColor(ColorRole::windowBackground, appearance) &&
                   (!menu->isVisible() || shownColor(*menu, {10, 2}) ==
                                              namedColor(ColorRole::menuBackground, appearance));
        });
    };
    for (const auto& [palette, appearance] :
         {std::pair{dark, Appearance::dark}, std::pair{light, Appearance::light}}) {
        QApplication::setPalette(palette);
        EXPECT_TRUE(showsAppearance(appearance));
        // "종료" reads as an action that cannot be undone.
        const auto red = [](QColor p) {
            return p.red() > 200 && p.green() < 110 && p.blue() < 110;
        };
        EXPECT_GT(countPixels(menu->grab().toImage(), red, menu->actionGeometry(menu->actionAt(7))),
                  0);
    }
    menu->close();
    panel.hide();
    QApplication::setPalette(dark);
    panel.show();
    EXPECT_TRUE(showsAppearance(Appearance::dark));
    QApplication::setPalette(light);
}

}  // namespace
}  // namespace corvane
