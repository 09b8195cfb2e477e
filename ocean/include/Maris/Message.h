#pragma once

namespace Maris {

// Where a message goes: the debug output (standard error by default) or an alert, which on a
// desktop with dialogs would interrupt the user (also standard error by default).
enum class MessageChannel
{
    Debug,
    Alert
};

// Receives each formed message line ("MARIS: " + text + "\n") once for every channel that is
// switched on in the configuration (enable-debug-messages, enable-debug-alert-messages).
using MessageHandler = void (*)(MessageChannel channel, const char* line, void* userData);

// Installs a handler for all library messages; null reinstates the default, which writes to
// standard error. userData is handed back on every call.
void SetMessageHandler(MessageHandler handler, void* userData);
MessageHandler GetMessageHandler();
void* GetMessageHandlerUserData();

// The library's one way of reporting warnings and errors. Null is ignored.
void Message(const char* text);

} // namespace Maris
