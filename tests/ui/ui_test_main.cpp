#include "gui/app/WindowFonts.h"

#include <QApplication>

#include <gtest/gtest.h>

// Widget tests share one QApplication on the offscreen platform.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // The fonts the program prefers at start, so that tests measure what users see.
    qv::PreferFittingFonts();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
