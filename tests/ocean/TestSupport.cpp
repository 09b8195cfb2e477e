#include "TestSupport.h"

#include "core/Configuration.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

MessageCapture::MessageCapture()
{
    resetConfiguration();
    Maris::SetMessageHandler([](Maris::MessageChannel channel, const char* line, void* capture) {
        static_cast<MessageCapture*>(capture)->received.push_back({channel, line});
    }, this);
}

MessageCapture::~MessageCapture()
{
    Maris::SetMessageHandler(nullptr, nullptr);
    resetConfiguration();
}

void MessageCapture::resetConfiguration()
{
    while (Maris::Configuration::GetReferenceCount() > 0)
        Maris::Configuration::Unload();
    // At a count of zero this empties the table, including entries set without a load.
    Maris::Configuration::Unload();
}

std::vector<std::string> MessageCapture::texts() const
{
    std::vector<std::string> result;
    for (const Entry& entry : received)
        if (entry.channel == Maris::MessageChannel::Debug)
            result.push_back(entry.line.substr(7, entry.line.size() - 8)); // "MARIS: " and "\n"
    return result;
}

TemporaryDirectory::TemporaryDirectory()
{
    char pattern[] = "/tmp/maris-test-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("cannot create a temporary directory");
    directory = pattern;
}

TemporaryDirectory::~TemporaryDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

void TemporaryDirectory::write(const std::string& name, const std::string& bytes) const
{
    std::ofstream(directory + "/" + name, std::ios::binary) << bytes;
}

std::string tga(int type, int width, int height, int bits, const std::string& data, int idLength,
                int descriptor)
{
    const int header[18] = {idLength, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, width & 0xff,
                            width >> 8, height & 0xff, height >> 8, bits, descriptor};
    std::string file;
    for (int byte : header)
        file += static_cast<char>(byte);
    return file + data;
}
