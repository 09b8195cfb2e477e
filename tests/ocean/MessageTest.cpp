#include "TestSupport.h"

#include "core/Configuration.h"
#include <Maris/Message.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

TEST(Message, TheTwoSwitchesAreReadAtEveryCall)
{
    MessageCapture messages;
    Maris::Message(nullptr);
    Maris::Message("something happened");
    ASSERT_EQ(messages.entries().size(), 1u);
    EXPECT_EQ(messages.entries()[0].channel, Maris::MessageChannel::Debug);
    EXPECT_EQ(messages.entries()[0].line, "MARIS: something happened\n");

    messages.clear();
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
    EXPECT_EQ(messages.entries()[1].channel, Maris::MessageChannel::Alert);
}

TEST(Message, HandlerReceivesItsUserDataAndNullRestoresStandardError)
{
    int calls = 0;
    Maris::SetMessageHandler([](Maris::MessageChannel, const char*, void* data) {
        ++*static_cast<int*>(data);
    }, &calls);
    EXPECT_EQ(Maris::GetMessageHandlerUserData(), &calls);
    Maris::Message("one");
    EXPECT_EQ(calls, 1);
    Maris::SetMessageHandler(nullptr, &calls);
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
    EXPECT_EQ(calls, 1);
}
