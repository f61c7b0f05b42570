// main of the Qt tests: a QApplication for widgets, dialogs and GL contexts, then GoogleTest.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>

// Added to the suppression file's list: the D-Bus library drops a buffer when Qt finds no
// session bus, as under a virtual display.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus\n";
}
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (done at build time) needs no application and no display.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    // Without a display (a plain ctest run) widgets still work offscreen; the GL tests skip
    // themselves there, since GL widgets need a display.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    const int result = RUN_ALL_TESTS();
#ifdef __SANITIZE_ADDRESS__
    // Look for leaks while the application, its bus connection and the GL driver are still
    // there: closing the display unloads the driver, and what it keeps could then no longer
    // be told apart from a leak of ours.
    __lsan_do_leak_check();
#endif
    return result;
}
