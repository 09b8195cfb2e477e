// The draw thread reports while the main thread does: every line arrives whole, once, at its
// severity.

#include "NotifyCapture.h"

#include <gtest/gtest.h>

#include <osg/Notify>

#include <map>
#include <string>
#include <thread>
#include <vector>

TEST(ThreadedNotify, LinesFromManyThreadsArriveWholeOnceAtTheirSeverity)
{
    kelvotest::NotifyCapture capture;
    const int threadCount = 4, lineCount = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < lineCount; ++i)
                osg::notify(i % 2 ? osg::WARN : osg::INFO)
                    << "thread " << t << " line " << i << std::endl;
        });
    for (std::thread& thread : threads)
        thread.join();

    std::map<std::string, int> seen;
    for (const kelvotest::NotifyCapture::Line& line : capture.lines())
        if (line.second.rfind("thread ", 0) == 0) {
            const int i = std::stoi(line.second.substr(line.second.rfind(' ') + 1));
            EXPECT_EQ(line.first, i % 2 ? osg::WARN : osg::INFO) << line.second;
            ++seen[line.second];
        }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(threadCount * lineCount));
    for (const auto& [text, times] : seen)
        EXPECT_EQ(times, 1) << text;
}
