// Runs the window tests of one executable, one Qt Test class after another.

#include <QApplication>
#include <QtTest>

int RunHandheldWindowTest(int argc, char** argv);
int RunEncoderButtonTest(int argc, char** argv);
int RunDisplaySurfaceTest(int argc, char** argv);
int RunFrameViewTest(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    failures += RunDisplaySurfaceTest(argc, argv);
    failures += RunFrameViewTest(argc, argv);
    failures += RunEncoderButtonTest(argc, argv);
    failures += RunHandheldWindowTest(argc, argv);
    return failures;
}
