#include "MessageCapture.h"

#include "core/Configuration.h"
#include <Maris/Message.h>
#include "opengl/OpenGLErrorCheck.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

TEST(Message, LinesCarryThePrefixAndALineFeedOnTheDebugChannel)
{
    MessageCapture messages;
    Maris::Message("something happened");
    ASSERT_EQ(messages.entries().size(), 1u);
    EXPECT_EQ(messages.entries()[0].channel, Maris::MessageChannel::Debug);
    EXPECT_EQ(messages.entries()[0].line, "MARIS: something happened\n");
}

TEST(Message, NullTextsAreIgnored)
{
    MessageCapture messages;
    Maris::Message(nullptr);
    EXPECT_TRUE(messages.entries().empty());
}

TEST(Message, TheTwoSwitchesAreReadAtEveryCall)
{
    MessageCapture messages;
    Maris::Configuration::SetConfigEntry("enable-debug-messages", "false");
    Maris::Message("silenced");
    EXPECT_TRUE(messages.entries().empty());

    Maris::Configuration::SetConfigEntry("enable-debug-alert-messages", "yes");
    Maris::Message("alert only");
    ASSERT_EQ(messages.entries().size(), 1u);
    EXPECT_EQ(messages.entries()[0].channel, Maris::MessageChannel::Alert);
    EXPECT_EQ(messages.entries()[0].line, "MARIS: alert only\n");

    messages.clear();
    Maris::Configuration::SetConfigEntry("enable-debug-messages", "true");
    Maris::Message("both");
    ASSERT_EQ(messages.entries().size(), 2u);
    EXPECT_EQ(messages.entries()[0].channel, Maris::MessageChannel::Debug);
    EXPECT_EQ(messages.entries()[1].channel, Maris::MessageChannel::Alert);

    // Emptying the table brings back the defaults: debug on, alerts off.
    messages.clear();
    MessageCapture::resetConfiguration();
    Maris::Message("defaults");
    ASSERT_EQ(messages.entries().size(), 1u);
    EXPECT_EQ(messages.entries()[0].channel, Maris::MessageChannel::Debug);
}

TEST(Message, HandlerReceivesItsUserDataAndNullRestoresStandardError)
{
    struct Sink
    {
        int calls = 0;
    } sink;
    Maris::SetMessageHandler(
        [](Maris::MessageChannel, const char*, void* userData) {
            ++static_cast<Sink*>(userData)->calls;
        },
        &sink);
    EXPECT_EQ(Maris::GetMessageHandlerUserData(), &sink);
    Maris::Message("one");
    Maris::Message("two");
    EXPECT_EQ(sink.calls, 2);

    Maris::SetMessageHandler(nullptr, &sink);
    EXPECT_EQ(Maris::GetMessageHandlerUserData(), nullptr);

    // The default handler writes the whole line to standard error.
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    char path[] = "/tmp/maris-stderr-XXXXXX";
    const int file = mkstemp(path);
    ASSERT_GE(file, 0);
    dup2(file, STDERR_FILENO);
    Maris::Message("to standard error");
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    char buffer[128] = {};
    const ssize_t length = pread(file, buffer, sizeof(buffer) - 1, 0);
    close(file);
    unlink(path);
    EXPECT_EQ(std::string(buffer, length > 0 ? length : 0), "MARIS: to standard error\n");
    EXPECT_EQ(sink.calls, 2);
}

TEST(Message, OpenGLCheckWithoutPendingErrorsIsQuietAndTrue)
{
    MessageCapture messages;
    // Without a current context the driver reports no error.
    EXPECT_TRUE(Maris::CheckOpenGLError("file.cpp", 1));
    EXPECT_TRUE(messages.entries().empty());
}
