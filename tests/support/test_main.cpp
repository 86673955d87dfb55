#include <gtest/gtest.h>
#include <windows.h>

int main(int argc, char** argv)
{
    // A test must end on its own: no crash dialog, no "insert disk" box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
