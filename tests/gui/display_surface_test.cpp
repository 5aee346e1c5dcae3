// The display surface: frames written in the screen's format, presented at
// zoom 1 and 2, and the names of its result codes.

#include <QtTest>
#include <set>
#include <vector>

#include "display/display_surface.h"
#include "display/display_surface_errors.h"
#include "display/frame_writer.h"
#include "frame/main_frame.h"
#include "session/session_state.h"
#include "test_station.h"

namespace {

// A frame with distinct corners and a white pixel at (1, 0).
std::vector<uint16_t> TestFrame() {
    std::vector<uint16_t> frame(kRemotePixels, 0x0000);
    frame[0] = 0xF800;                        // top left: red
    frame[1] = 0xFFFF;                        // white
    frame[kRemoteWidth - 1] = 0x07E0;         // top right: green
    frame[kRemotePixels - 1] = 0x001F;        // bottom right: blue
    frame[100 * kRemoteWidth + 50] = 0x8410;  // a grey in the middle
    return frame;
}

}  // namespace

class DisplaySurfaceTest : public QObject {
    Q_OBJECT

    SessionState state_;

  private slots:
    void cleanup() { SetDisplayDepthOverride(0); }

    void framesInTheScreenFormat_data() {
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("sixteen");
        QTest::addColumn<uint32_t>("white");
        QTest::addColumn<uint32_t>("red");
        QTest::newRow("16-bit screen stores RGB565") << 16 << true << 0xFFFFu << 0xF800u;
        QTest::newRow("32-bit screen") << 32 << false << 0xF8FCF8u << 0xF80000u;
        QTest::newRow("24-bit screen uses 32 bits") << 24 << false << 0xF8FCF8u << 0xF80000u;
    }
    void framesInTheScreenFormat() {
        QFETCH(int, depth);
        QFETCH(uint32_t, white);
        QFETCH(uint32_t, red);
        QWidget window;
        SetDisplayDepthOverride(depth);
        DisplaySurface display(&window, DisplayDepthFor(&window), state_);
        QTEST(display.Format().bitsPerPixel == 16, "sixteen");
        const auto frame = TestFrame();
        DrawFrame(frame.data(), display);
        const QImage off = display.OffscreenImage();
        const auto pixel = [&](int x, int y) -> uint32_t {
            const uchar* line = off.constScanLine(y);
            return off.depth() == 16 ? reinterpret_cast<const uint16_t*>(line)[x]
                                     : reinterpret_cast<const uint32_t*>(line)[x] & 0xFFFFFF;
        };
        QCOMPARE(pixel(1, 0), white);
        QCOMPARE(pixel(0, 0), red);
        QCOMPARE(off.size(), QSize(240, 268));
    }

    void presentationAtBothZooms_data() {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("zoom");
        QTest::newRow("16-bit, original size") << 16 << 0;
        QTest::newRow("16-bit, big size") << 16 << 1;
        QTest::newRow("32-bit, big size with large buttons") << 32 << 2;
    }
    void presentationAtBothZooms() {
        QFETCH(int, depth);
        QFETCH(int, zoom);
        QWidget window;
        SessionState state;
        state.bigsize = zoom;
        state.remoteView = 1;
        DisplaySurface display(&window, depth, state);
        const auto frame = TestFrame();
        DrawFrame(frame.data(), display);
        const QImage shown = display.PresentedImage();
        const int scale = zoom == 0 ? 1 : 2;
        QCOMPARE(shown.size(), QSize(240 * scale, 268 * scale));
        // Every presented pixel is its source pixel, 565 fields on top of
        // each 8-bit channel; doubled pixels by nearest neighbour.
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                const uint16_t p = frame[(y / scale) * kRemoteWidth + x / scale];
                const uint32_t want =
                    ((p & 0xF800u) << 8) | ((p & 0x07E0u) << 5) | ((p & 0x001Fu) << 3);
                const uint32_t got = shown.pixel(x, y) & 0xFFFFFF;
                if (got != want) {
                    QFAIL(qPrintable(QString("pixel %1,%2: %3 instead of %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(got, 6, 16)
                                         .arg(want, 6, 16)));
                }
            }
        }
    }

    void nothingPresentedWhileTheListIsShown() {
        QWidget window;
        DisplaySurface display(&window, 32, state_);
        const auto frame = TestFrame();
        DrawFrame(frame.data(), display);
        QVERIFY(display.PresentedImage().isNull());
        QVERIFY(display.NeedsFrame());
    }

    void frameOwnsItsDisplay() {
        TestStation station;
        QWidget parent;
        CMainFrame frame(&parent, QRect(0, 0, 240, 294), station.Services());
        QVERIFY(frame.Display() != nullptr);
        SetDisplayDepthOverride(16);
        QVERIFY(frame.RecreateIfLost());
        QCOMPARE(frame.Display()->Depth(), 16);
        QVERIFY(frame.DestroyDisplay());
        QVERIFY(!frame.DestroyDisplay());
        QVERIFY(frame.Display() == nullptr);
    }

    void errorTexts_data() {
        QTest::addColumn<uint32_t>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("surface lost") << 0x887601C2u << "DirectX Error: DDERR_SURFACELOST";
        QTest::newRow("no exclusive mode") << 0x887600E1u << "DirectX Error: DDERR_NOEXCLUSIVEMODE";
        QTest::newRow("first") << 0x88760005u << "DirectX Error: DDERR_ALREADYINITIALIZED";
        QTest::newRow("generic is E_FAIL") << 0x80004005u << "DirectX Error: DDERR_GENERIC";
        QTest::newRow("invalid params") << 0x80070057u << "DirectX Error: DDERR_INVALIDPARAMS";
        QTest::newRow("out of memory") << 0x8007000Eu << "DirectX Error: DDERR_OUTOFMEMORY";
        QTest::newRow("unsupported") << 0x80004001u << "DirectX Error: DDERR_UNSUPPORTED";
        QTest::newRow("not initialized") << 0x800401F0u << "DirectX Error: DDERR_NOTINITIALIZED";
        QTest::newRow("last of the list") << 0x887602A8u << "DirectX Error: DDERR_NOTPAGELOCKED";
        QTest::newRow("zero") << 0u << "DirectX Error: Unknown Error";
        QTest::newRow("stereo is not named") << 0x887600B5u << "DirectX Error: Unknown Error";
    }
    void errorTexts() {
        QFETCH(uint32_t, code);
        QTEST(QString::fromStdString(DirectXErrorText(code)), "text");
        QTEST(QString::fromStdString(DisplayError()), "text");
    }

    void hundredDistinctNames() {
        QCOMPARE(DisplayErrorNameCount(), 100);
        std::set<uint32_t> codes;
        for (int i = 0; i < DisplayErrorNameCount(); ++i)
            codes.insert(DisplayErrorCodeAt(i));
        QCOMPARE(codes.size(), size_t(100));
    }
};

#include "display_surface_test.moc"

int RunDisplaySurfaceTest(int argc, char** argv) {
    DisplaySurfaceTest test;
    return QTest::qExec(&test, argc, argv);
}
