#include "desk_screen.h"

#include <algorithm>

#include "bitmap_font.h"
#include "wire.h"

namespace deskemu {
namespace {

constexpr int kTitleHeight = 20;
constexpr int kGridTop = 26;
constexpr int kButtonWidth = 52;
constexpr int kButtonHeight = 34;
constexpr int kButtonGap = 6;
constexpr int kEchoTop = 192;
constexpr int kStatusTop = 214;
constexpr int kFooterTop = 250;
constexpr int kMaxTyped = 37;  // what fits the echo line after its prompt
constexpr int kMarkerArm = 4;

class Canvas {
  public:
    explicit Canvas(Frame& pixels) : pixels_(pixels) {}

    void Fill(const Rect& r, uint16_t colour) {
        for (int y = std::max(r.y, 0); y < std::min(r.y + r.h, kScreenHeight); ++y) {
            for (int x = std::max(r.x, 0); x < std::min(r.x + r.w, kScreenWidth); ++x) {
                pixels_[static_cast<size_t>(y * kScreenWidth + x)] = colour;
            }
        }
    }

    void Text(int x, int y, const std::string& text, uint16_t colour, int scale = 1) {
        for (char c : text) {
            const auto& rows = Glyph(c);
            for (int row = 0; row < kGlyphHeight; ++row) {
                for (int col = 0; col < kGlyphWidth; ++col) {
                    if (rows[row] & (0x10 >> col)) {
                        Fill({x + col * scale, y + row * scale, scale, scale}, colour);
                    }
                }
            }
            x += kGlyphAdvance * scale;
        }
    }

  private:
    Frame& pixels_;
};

int TextWidth(const std::string& text, int scale) {
    return static_cast<int>(text.size()) * kGlyphAdvance * scale - scale;
}

}  // namespace

Rect ButtonRect(int index) {
    const int column = index % kButtonColumns;
    const int row = index / kButtonColumns;
    return {kButtonGap + column * (kButtonWidth + kButtonGap),
            kGridTop + row * (kButtonHeight + kButtonGap), kButtonWidth, kButtonHeight};
}

Rect EchoLineRect() {
    return {4, kEchoTop, kScreenWidth - 8, 16};
}

DeskScreen::DeskScreen(std::string name) : name_(std::move(name)) {}

bool DeskScreen::Changed() {
    ++changes_;
    return true;
}

bool DeskScreen::Pointer(uint16_t event, int x, int y) {
    bool changed = markerX_ != x || markerY_ != y;
    markerX_ = x;
    markerY_ = y;
    if (event == kPointerPress) {
        for (int i = 0; i < kButtonCount; ++i) {
            if (ButtonRect(i).Contains(x, y)) {
                lit_[i] = !lit_[i];
                changed = true;
            }
        }
    }
    return changed ? Changed() : false;
}

bool DeskScreen::Character(uint16_t code) {
    if (code == 8) {
        if (typed_.empty()) {
            return false;
        }
        typed_.pop_back();
    } else if (code == 13) {
        if (typed_.empty()) {
            return false;
        }
        typed_.clear();
    } else if (code >= 32 && code < 127) {
        typed_ += static_cast<char>(code);
        if (typed_.size() > kMaxTyped) {
            typed_.erase(0, typed_.size() - kMaxTyped);
        }
    } else {
        return false;
    }
    return Changed();
}

bool DeskScreen::Status(const std::string& text) {
    if (text == status_) {
        return false;
    }
    status_ = text;
    return Changed();
}

Frame DeskScreen::Render() const {
    Frame pixels(kScreenPixels, kBackgroundColour);
    Canvas canvas(pixels);

    canvas.Fill({0, 0, kScreenWidth, kTitleHeight}, kTitleColour);
    const int titleScale = TextWidth(name_, 2) <= kScreenWidth - 8 ? 2 : 1;
    canvas.Text(4, (kTitleHeight - kGlyphHeight * titleScale) / 2, name_, kTextColour, titleScale);

    for (int i = 0; i < kButtonCount; ++i) {
        const Rect r = ButtonRect(i);
        canvas.Fill(r, lit_[i] ? kLitButtonColour : kButtonColour);
        const std::string label = std::to_string(i + 1);
        canvas.Text(r.x + (r.w - TextWidth(label, 2)) / 2, r.y + (r.h - 14) / 2, label,
                    lit_[i] ? kLineColour : kTextColour, 2);
    }

    const Rect echo = EchoLineRect();
    canvas.Fill(echo, kLineColour);
    canvas.Text(echo.x + 3, echo.y + 4, "> " + typed_, kTextColour);
    canvas.Text(4, kStatusTop, status_, kTextColour);

    std::string footer = "#" + std::to_string(changes_);
    if (markerX_ >= 0) {
        footer += "  " + std::to_string(markerX_) + "," + std::to_string(markerY_);
    }
    canvas.Text(4, kFooterTop + 4, footer, kTextColour);

    if (markerX_ >= 0) {
        canvas.Fill({markerX_ - kMarkerArm, markerY_, 2 * kMarkerArm + 1, 1}, kMarkerColour);
        canvas.Fill({markerX_, markerY_ - kMarkerArm, 1, 2 * kMarkerArm + 1}, kMarkerColour);
    }
    return pixels;
}

}  // namespace deskemu
