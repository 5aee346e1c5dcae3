// The emulated desk's drawn screen reacts visibly to what a station sends.

#include <gtest/gtest.h>

#include "desk_screen.h"
#include "wire.h"

namespace deskemu {
namespace {

uint16_t PixelAt(const Frame& f, int x, int y) {
    return f[static_cast<size_t>(y * kScreenWidth + x)];
}

// Two points of a button's face that no label covers and that are far
// enough apart that the pointer marker at one does not cover the other.
std::pair<int, int> FaceOf(int button) {
    const Rect r = ButtonRect(button);
    return {r.x + 2, r.y + 2};
}

std::pair<int, int> OtherCornerOf(int button) {
    const Rect r = ButtonRect(button);
    return {r.x + r.w - 3, r.y + r.h - 3};
}

TEST(DeskEmulatorScreen, ButtonsAreInsideTheScreenAndApart) {
    for (int i = 0; i < kButtonCount; ++i) {
        const Rect a = ButtonRect(i);
        EXPECT_GE(a.x, 0);
        EXPECT_LE(a.x + a.w, kScreenWidth);
        EXPECT_LE(a.y + a.h, EchoLineRect().y);
        for (int j = i + 1; j < kButtonCount; ++j) {
            const Rect b = ButtonRect(j);
            EXPECT_FALSE(b.Contains(a.x, a.y) || a.Contains(b.x, b.y)) << i << " " << j;
        }
    }
}

TEST(DeskEmulatorScreen, PressTogglesTheButtonUnderThePointer) {
    DeskScreen screen("Desk");
    const auto [x, y] = FaceOf(6);
    const auto [seenX, seenY] = OtherCornerOf(6);
    EXPECT_EQ(PixelAt(screen.Render(), seenX, seenY), kButtonColour);

    EXPECT_TRUE(screen.Pointer(kPointerPress, x, y));
    EXPECT_TRUE(screen.ButtonLit(6));
    EXPECT_EQ(PixelAt(screen.Render(), seenX, seenY), kLitButtonColour);
    EXPECT_EQ(PixelAt(screen.Render(), FaceOf(5).first, FaceOf(5).second), kButtonColour);

    screen.Pointer(kPointerRelease, x, y);
    EXPECT_TRUE(screen.ButtonLit(6)) << "a release does not toggle";
    screen.Pointer(kPointerPress, x, y);
    EXPECT_FALSE(screen.ButtonLit(6));
}

TEST(DeskEmulatorScreen, MarkerFollowsThePointer) {
    DeskScreen screen("Desk");
    screen.Pointer(kPointerMove, 120, 240);
    const Frame f = screen.Render();
    EXPECT_EQ(PixelAt(f, 120, 240), kMarkerColour);
    EXPECT_EQ(PixelAt(f, 116, 240), kMarkerColour);
    EXPECT_EQ(PixelAt(f, 120, 244), kMarkerColour);
    EXPECT_FALSE(screen.Pointer(kPointerMove, 120, 240)) << "same place, same picture";
}

TEST(DeskEmulatorScreen, PointerFarOutsideDrawsNothingOutside) {
    DeskScreen screen("Desk");
    EXPECT_TRUE(screen.Pointer(kPointerPress, 65535, 65535));
    EXPECT_EQ(screen.Render().size(), static_cast<size_t>(kScreenPixels));
}

TEST(DeskEmulatorScreen, TypedCharactersEchoAndBackspaceRestores) {
    DeskScreen screen("Desk");
    const Frame empty = screen.Render();
    const Rect line = EchoLineRect();
    auto echoArea = [&](const Frame& f) {
        Frame area;
        for (int y = line.y; y < line.y + line.h; ++y) {
            for (int x = line.x; x < line.x + line.w; ++x) {
                area.push_back(PixelAt(f, x, y));
            }
        }
        return area;
    };
    EXPECT_TRUE(screen.Character('a'));
    EXPECT_EQ(screen.Typed(), "a");
    EXPECT_NE(echoArea(screen.Render()), echoArea(empty));
    EXPECT_TRUE(screen.Character(8));
    EXPECT_EQ(echoArea(screen.Render()), echoArea(empty));
    EXPECT_FALSE(screen.Character(8)) << "nothing left to delete";
    EXPECT_FALSE(screen.Character(27)) << "control characters are not echoed";
    screen.Character('x');
    EXPECT_TRUE(screen.Character(13));
    EXPECT_EQ(screen.Typed(), "");
}

TEST(DeskEmulatorScreen, LongInputKeepsItsEnd) {
    DeskScreen screen("Desk");
    for (int i = 0; i < 100; ++i) {
        screen.Character(static_cast<uint16_t>('a' + i % 26));
    }
    EXPECT_LT(screen.Typed().size(), 100u);
    EXPECT_EQ(screen.Typed().back(), 'a' + 99 % 26);
}

TEST(DeskEmulatorScreen, EveryChangeCountsAndEveryColourSurvivesALiteral) {
    DeskScreen screen(std::string(40, 'W'));
    screen.Pointer(kPointerPress, FaceOf(0).first, FaceOf(0).second);
    screen.Character('Q');
    screen.Status("button 193");
    EXPECT_EQ(screen.Changes(), 3u);
    for (uint16_t p : screen.Render()) {
        ASSERT_EQ(p & 0x0020, 0) << "a literal cannot carry the lowest green bit";
    }
}

TEST(DeskEmulatorScreen, TitleShowsTheName) {
    const Frame named = DeskScreen("FOH").Render();
    const Frame other = DeskScreen("MON").Render();
    bool differs = false;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < kScreenWidth; ++x) {
            differs = differs || PixelAt(named, x, y) != PixelAt(other, x, y);
        }
    }
    EXPECT_TRUE(differs);
}

}  // namespace
}  // namespace deskemu
