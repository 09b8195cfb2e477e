#pragma once

namespace Maris {

// Where a message goes: the debug output, which nobody sees unless they listen (by default it
// reaches standard error only while the environment variable MARIS_DEBUG_OUTPUT is set), or an
// alert, which on a desktop with dialogs would interrupt the user (standard error by default).
enum class MessageChannel
{
    Debug,
    Alert
};

// Receives each formed message line ("MARIS: " + text + "\n") once for every channel that is
// switched on in the configuration (enable-debug-messages, enable-debug-alert-messages).
using MessageHandler = void (*)(MessageChannel channel, const char* line, void* userData);

// Installs a handler for all library messages; null reinstates the default described above.
// userData is handed back on every call.
void SetMessageHandler(MessageHandler handler, void* userData);
MessageHandler GetMessageHandler();
void* GetMessageHandlerUserData();

// The library's one way of reporting warnings and errors. Null is ignored.
void Message(const char* text);

} // namespace Maris
