#include "TestSupport.h"

#include "core/Configuration.h"
#include <Maris/Message.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
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

TEST(Message, HandlerReceivesItsUserDataAndNullRestoresTheDefault)
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

    // The default handler keeps debug lines to itself unless MARIS_DEBUG_OUTPUT is set; alerts,
    // which stand for dialogs, always reach standard error.
    const auto toStandardError = [](const char* text) {
        std::fflush(stderr);
        const int saved = dup(STDERR_FILENO);
        char path[] = "/tmp/maris-stderr-XXXXXX";
        const int file = mkstemp(path);
        dup2(file, STDERR_FILENO);
        Maris::Message(text);
        std::fflush(stderr);
        dup2(saved, STDERR_FILENO);
        close(saved);
        char buffer[128] = {};
        const ssize_t length = pread(file, buffer, sizeof(buffer) - 1, 0);
        close(file);
        unlink(path);
        return std::string(buffer, length > 0 ? length : 0);
    };
    const struct
    {
        const char* debugOutput; // MARIS_DEBUG_OUTPUT, or null for unset
        const char* alerts;      // enable-debug-alert-messages
        const char* written;
    } cases[] = {
        {nullptr, "false", ""},
        {"", "false", "MARIS: line\n"},
        {"1", "false", "MARIS: line\n"},
        {nullptr, "true", "MARIS: line\n"},
        {"1", "true", "MARIS: line\nMARIS: line\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.debugOutput ? c.debugOutput : "unset") + " " + c.alerts);
        if (c.debugOutput)
            setenv("MARIS_DEBUG_OUTPUT", c.debugOutput, 1);
        else
            unsetenv("MARIS_DEBUG_OUTPUT");
        Maris::Configuration::SetConfigEntry("enable-debug-alert-messages", c.alerts);
        EXPECT_EQ(toStandardError("line"), c.written);
    }
    unsetenv("MARIS_DEBUG_OUTPUT");
    Maris::Configuration::SetConfigEntry("enable-debug-alert-messages", "false");
    EXPECT_EQ(calls, 1);
}
