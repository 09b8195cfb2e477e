#include "desktop/UriListDecoder.h"

#include <cctype>
#include <climits>
#include <unistd.h>

namespace osgKELVO {

namespace {

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Replaces every "%XY" by its byte. A "%" not followed by two hex digits is kept as it is (senders
// that do not escape "%" exist). A NUL, encoded or sent as it is, cannot be part of a path (the
// file functions would stop at it) and rejects the URI.
bool percentDecode(const std::string& text, std::string& decoded)
{
    decoded.clear();
    decoded.reserve(text.size());
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        if (text[i] == '\0')
            return false;
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                const char byte = static_cast<char>(high * 16 + low);
                if (byte == '\0')
                    return false;
                decoded += byte;
                i += 2;
                continue;
            }
        }
        decoded += text[i];
    }
    return true;
}

} // namespace

UriListDecoder::UriListDecoder(const std::string& hostName) : hostName(lowerCase(hostName)) {}

std::string UriListDecoder::thisHostName()
{
    char buffer[HOST_NAME_MAX + 1] = {};
    if (::gethostname(buffer, sizeof(buffer) - 1) != 0)
        return std::string();
    return buffer;
}

bool UriListDecoder::isLocalHost(const std::string& host) const
{
    const std::string name = lowerCase(host);
    if (name.empty() || name == "localhost" || name == hostName)
        return true;
    // A short name and a fully qualified one ("box", "box.example.org") name the same machine.
    const std::string::size_type nameDot = name.find('.');
    const std::string::size_type hostDot = hostName.find('.');
    if (hostName.empty() || (nameDot != std::string::npos && hostDot != std::string::npos))
        return false;
    return name.substr(0, nameDot) == hostName.substr(0, hostDot);
}

std::string UriListDecoder::localPath(const std::string& uri) const
{
    static const std::string scheme = "file:";
    if (uri.size() <= scheme.size() || lowerCase(uri.substr(0, scheme.size())) != scheme)
        return std::string();

    std::string rest = uri.substr(scheme.size());
    if (rest.compare(0, 2, "//") == 0) {
        const std::string::size_type pathStart = rest.find('/', 2);
        if (pathStart == std::string::npos)
            return std::string();
        std::string host;
        if (!percentDecode(rest.substr(2, pathStart - 2), host) || !isLocalHost(host))
            return std::string();
        rest = rest.substr(pathStart);
    }
    if (rest.empty() || rest[0] != '/')
        return std::string();

    // "?" and "#" are taken as part of the name: senders that follow the rules escape them in file
    // names, and a query or fragment means nothing for a local file.
    std::string path;
    if (!percentDecode(rest, path))
        return std::string();
    return path;
}

UriListDecoder::Result UriListDecoder::decode(const std::string& list) const
{
    Result result;
    std::string::size_type start = 0;
    while (start < list.size()) {
        std::string::size_type end = list.find('\n', start);
        if (end == std::string::npos)
            end = list.size();
        std::string line = list.substr(start, end - start);
        start = end + 1;

        // Some senders end the list with a NUL byte; a line ends with CR LF or LF.
        while (!line.empty() && (line.back() == '\r' || line.back() == '\0'))
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;

        const std::string path = localPath(line);
        if (path.empty())
            result.ignored.push_back(line);
        else
            result.paths.push_back(path);
    }
    return result;
}

} // namespace osgKELVO
