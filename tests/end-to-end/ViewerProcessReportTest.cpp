// A sanitizer build of KELVOview writes its findings into its log: a script standing in for the
// program prints what a sanitizer prints, and the finding must fail the running test.
#include "RuntimeTree.h"
#include "ViewerProcess.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <filesystem>

using namespace kelvotest;

TEST(ViewerProcessReport, FindingsFromTheFirstOneOnFailTheTest)
{
    const struct
    {
        const char* script;
        const char* report; // what the failure holds; "" for none
    } cases[] = {
        {"echo 'Laddar cow.osg'\necho 'runtime: 3 s' >&2\n", ""},
        {"echo ok\necho '==42==ERROR: AddressSanitizer: heap-use-after-free' >&2\n"
         "echo '    #0 in f' >&2\n",
         "==42==ERROR: AddressSanitizer: heap-use-after-free\n    #0 in f\n"},
        {"echo '==7==ERROR: LeakSanitizer: detected memory leaks' >&2\n",
         "==7==ERROR: LeakSanitizer: detected memory leaks\n"},
        {"echo ok\necho 'a.cpp:1:2: runtime error: misaligned'\n"
         "echo '==9==ERROR: AddressSanitizer: SEGV'\n",
         "a.cpp:1:2: runtime error: misaligned\n==9==ERROR: AddressSanitizer: SEGV\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        ::testing::TestPartResultArray failures;
        {
            ::testing::ScopedFakeTestPartResultReporter capture(
                ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD,
                &failures);
            RuntimeTree tree(false);
            const std::string program = tree.bin() + "/KELVOview";
            RuntimeTree::writeFile(program, std::string("#!/bin/sh\n") + c.script);
            std::filesystem::permissions(program, std::filesystem::perms::owner_all);
            ViewerProcess viewer(tree, ":0", {});
            EXPECT_GE(viewer.waitForExit(), 0);
        }
        const std::string report = c.report;
        ASSERT_EQ(report.empty() ? 0 : 1, failures.size());
        const std::string message = report.empty() ? "" : failures.GetTestPartResult(0).message();
        EXPECT_NE(message.find(report.empty() ? "" : "finding:\n" + report), std::string::npos)
            << message;
    }
}
