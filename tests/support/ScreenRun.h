#pragma once
// Tests of windows on screens of a given size. The offscreen platform takes its screens only
// when the program starts (QT_QPA_PLATFORM=offscreen:configfile=...), so a test runs itself again
// in a copy of the test program for each screen:
//
//   for (const QSize size : {QSize(1366, 768), QSize(800, 600)})
//       if (onScreen({size}))
//           ... the checks, on that screen ...
#include <QProcessEnvironment>
#include <QSize>

struct TestScreen {
    QSize size;
    int dpi = 96;
    QProcessEnvironment extra; // more for the copy's environment (a font size, say)
};

// Outside the copy: runs the current test in a copy of this program whose only screen is that
// one, fails when it fails there, and returns false. In the copy started for this screen: true,
// the checks are to run here; in a copy started for another screen: false.
bool onScreen(const TestScreen &screen);
