// A sanitizer build of KELVOview writes its findings into the log that ViewerProcess collects.
// These cases stand a script in for the program, one that prints what a sanitizer prints, and check
// that the finding fails the running test, with the report in the failure message.
#include "RuntimeTree.h"
#include "ViewerProcess.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using kelvotest::RuntimeTree;
using kelvotest::ViewerProcess;

// Runs a shell script as the tree's KELVOview until it exits and returns its report.
std::string runScriptedViewer(const std::string& script)
{
    RuntimeTree tree(false);
    const std::string program = tree.bin() + "/KELVOview";
    RuntimeTree::writeFile(program, "#!/bin/sh\n" + script);
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    ViewerProcess viewer(tree, ":0", {});
    viewer.waitForExit();
    return viewer.sanitizerReport();
}

TEST(ViewerProcessReport, CleanLogAddsNoFailure)
{
    EXPECT_EQ("", runScriptedViewer("echo 'Laddar cow.osg'\necho 'runtime: 3 s' >&2\n"));
}

TEST(ViewerProcessReport, AddressSanitizerErrorFailsTheTest)
{
    EXPECT_NONFATAL_FAILURE(
        runScriptedViewer("echo 'Laddar cow.osg'\n"
                          "echo '==42==ERROR: AddressSanitizer: heap-use-after-free on address 0x6' >&2\n"
                          "echo '    #0 0x1 in osgKELVO::SceneController::addModel' >&2\nexit 1\n"),
        "==42==ERROR: AddressSanitizer: heap-use-after-free on address 0x6\n"
        "    #0 0x1 in osgKELVO::SceneController::addModel");
}

TEST(ViewerProcessReport, LeakReportAtExitFailsTheTest)
{
    EXPECT_NONFATAL_FAILURE(
        runScriptedViewer("echo '==7==ERROR: LeakSanitizer: detected memory leaks' >&2\n"
                          "echo 'Direct leak of 64 byte(s) in 1 object(s) allocated from:' >&2\n"),
        "Direct leak of 64 byte(s)");
}

TEST(ViewerProcessReport, UndefinedBehaviourReportKeepsItsSourcePosition)
{
    EXPECT_NONFATAL_FAILURE(
        runScriptedViewer("echo 'frame 1'\n"
                          "echo '/src/viewer/Compass.cpp:40:17: runtime error: signed integer overflow'\n"
                          "exit 1\n"),
        "finding:\n/src/viewer/Compass.cpp:40:17: runtime error: signed integer overflow");
}

TEST(ViewerProcessReport, ReportStartsAtTheFirstFinding)
{
    ::testing::TestPartResultArray failures;
    std::string report;
    {
        ::testing::ScopedFakeTestPartResultReporter capture(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        report = runScriptedViewer("echo 'Laddar cow.osg'\n"
                                   "echo 'a.cpp:1:2: runtime error: load of misaligned address'\n"
                                   "echo '==9==ERROR: AddressSanitizer: SEGV on unknown address'\n");
    }
    ASSERT_EQ(1, failures.size());
    EXPECT_EQ("a.cpp:1:2: runtime error: load of misaligned address\n"
              "==9==ERROR: AddressSanitizer: SEGV on unknown address\n",
              report);
}

} // namespace
