// What the main frame shows: the remote screen as the desk's messages change
// parts of it, at both zooms and across a zoom change, read back from the
// window's backing store; and the desk list, whose rows must lie and look
// exactly as in a list that measures every row itself.

#include <QListWidget>
#include <QScreen>
#include <QtTest>
#include <memory>
#include <vector>

#include "desk_screen.h"
#include "display/display_surface.h"
#include "frame/desk_list.h"
#include "frame/main_frame.h"
#include "recording_desk.h"
#include "screen_codec.h"
#include "test_station.h"
#include "wire.h"

namespace {

QRect FrameArea(int zoom, QPoint at = {}) {
    return zoom == 0 ? QRect(at, QSize(240, 294)) : QRect(at, QSize(480, 578));
}

// Pixels of the picture in `shot` (at `scale`, its top left at `at`) that
// differ from the frame buffer, each 565 field on top of its 8-bit channel.
int Differences(const QImage& shot, const std::vector<uint16_t>& frame, int scale, QPoint at) {
    int differences = 0;
    for (int y = 0; y < kRemoteHeight * scale; ++y) {
        for (int x = 0; x < kRemoteWidth * scale; ++x) {
            const uint16_t p = frame[static_cast<size_t>((y / scale) * kRemoteWidth + x / scale)];
            const QRgb want = qRgb((p >> 8) & 0xF8, (p >> 3) & 0xFC, (p << 3) & 0xF8);
            if ((shot.pixel(at.x() + x, at.y() + y) & 0xFFFFFF) != (want & 0xFFFFFF))
                ++differences;
        }
    }
    return differences;
}

StationRecord Desk(const char* address, const std::string& name) {
    StationRecord desk;
    SetStationAddress(desk, Ipv4FromText(address));
    desk.SetName(name);
    desk.type = 1;
    desk.state = 1;
    desk.displayVersion = 5500;
    return desk;
}

}  // namespace

class FrameViewTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { SetDisplayDepthOverride(0); }

    void pictureFollowsPartialUpdatesAndZoomChanges_data() {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("zoom");
        QTest::newRow("32-bit, original size") << 32 << 0;
        QTest::newRow("32-bit, big size") << 32 << 1;
        QTest::newRow("16-bit, original size") << 16 << 0;
        QTest::newRow("16-bit, big size") << 16 << 1;
    }
    void pictureFollowsPartialUpdatesAndZoomChanges() {
        QFETCH(int, depth);
        QFETCH(int, zoom);
        SetDisplayDepthOverride(depth);
        TestStation station;
        station.state.bigsize = zoom;
        QWidget window;
        window.resize(490, 590);
        const QPoint at(7, 5);  // the picture is written into the window's own pixels
        CMainFrame frame(&window, FrameArea(zoom, at), station.Services());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        RecordingDesk desk(station.client);
        frame.HideDeskList();

        deskemu::DeskScreen screen("Emulated Desk");
        deskemu::Frame shown;
        const auto expectOnScreen = [&](int zoomNow) {
            const deskemu::Frame wanted = screen.Render();
            desk.SendDisplay(deskemu::EncodeScreenMessage(
                deskemu::EncodeScreenChange(shown.empty() ? nullptr : &shown, wanted)));
            shown = wanted;
            QTRY_VERIFY(station.client.CopyFrame() == wanted);
            const int scale = zoomNow == 0 ? 1 : 2;
            QTRY_COMPARE(Differences(window.screen()->grabWindow(window.winId()).toImage(), wanted,
                                     scale, at),
                         0);
            // Painters other than the window's (here a pixmap's) get the same.
            QCOMPARE(Differences(frame.grab().toImage(), wanted, scale, QPoint()), 0);
        };
        expectOnScreen(zoom);  // the whole screen
        screen.Pointer(deskemu::kPointerPress, 120, 100);
        expectOnScreen(zoom);  // a button and the change counter
        screen.Character('k');
        expectOnScreen(zoom);  // the echo line
        const int other = 1 - zoom;
        station.state.bigsize = other;
        frame.setGeometry(FrameArea(other, at));
        screen.Status("Button 7");
        expectOnScreen(other);  // the status line, at the other zoom
        screen.Pointer(deskemu::kPointerPress, 120, 100);
        expectOnScreen(other);
    }

    void deskListAsIfEveryRowWereMeasured_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("zoom");
        QTest::newRow("short names") << QStringList{"FOH", "Monitor", "B"} << 0;
        QTest::newRow("long names wrap")
            << QStringList{"Front of house balcony left side", "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW",
                           "WWW WWW WWW WWW WWW WWW WWW WWW", "Mon"}
            << 1;
        QStringList many;
        for (int i = 0; i < 40; ++i)
            many << (i % 7 == 0 ? QString("Stage desk number %1 of the tour").arg(i)
                                : QString("Desk %1").arg(i));
        QTest::newRow("a full list") << many << 1;
    }
    void deskListAsIfEveryRowWereMeasured() {
        QFETCH(QStringList, names);
        QFETCH(int, zoom);
        TestStation station;
        station.state.bigsize = zoom;
        QWidget window;
        window.resize(480, 578);
        CMainFrame frame(&window, FrameArea(zoom), station.Services());
        window.show();
        CMyListCtrl& list = frame.DeskList();
        for (int i = 0; i < names.size(); ++i) {
            const QString address = QString("10.0.%1.%2").arg(i / 200).arg(i % 200 + 1);
            station.handover.StationHeard(
                Desk(qPrintable(address), (i == 1 ? QString("Old") : names[i]).toStdString()));
        }
        QTRY_COMPARE(list.count(), names.size());
        if (names.size() > 1)  // a renamed desk is measured again
            station.handover.StationHeard(Desk("10.0.0.2", names[1].toStdString()));
        QTRY_COMPARE(list.RowText(1), "10.0.0.2\n" + names[1] + "\nKel Alpha 5.500");
        list.doItemsLayout();
        const QImage shown = list.grab().toImage();
        const auto extents = [&list] {  // where clicks land
            QList<QRect> rects;
            for (int i = 0; i < list.count(); ++i)
                rects << list.visualItemRect(list.item(i));
            return rects;
        };
        const QList<QRect> rects = extents();

        // The same rows, measured by the list itself.
        for (int i = 0; i < list.count(); ++i)
            list.item(i)->setData(Qt::SizeHintRole, QVariant());
        list.doItemsLayout();
        QCOMPARE(extents(), rects);
        QCOMPARE(list.grab().toImage(), shown);
    }
};

#include "frame_view_test.moc"

int RunFrameViewTest(int argc, char** argv) {
    FrameViewTest test;
    return QTest::qExec(&test, argc, argv);
}
