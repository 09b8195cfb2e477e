#pragma once

#include <string>
#include <vector>

namespace osgKELVO {

// Decodes a text/uri-list (RFC 2483) as file managers put it on the drag-and-drop selection: one
// URI per line, lines ended by CR LF or a bare LF, "#" comment lines, and local files as file URIs
// ("file:///a/b", "file://localhost/a/b", "file://<this host>/a/b", "file:/a/b") with their bytes
// percent-encoded. A decoded path is a byte string, UTF-8 where the sender encoded text that way.
class UriListDecoder
{
public:
    struct Result
    {
        std::vector<std::string> paths;   // local paths, in list order
        std::vector<std::string> ignored; // URIs that name no local file, as they were sent
    };

    // hostName is this machine's name; file URIs naming any other host are not local.
    explicit UriListDecoder(const std::string& hostName);

    Result decode(const std::string& list) const;

    // The local path of one file URI, or an empty string when the URI names no local file.
    std::string localPath(const std::string& uri) const;

    // The machine's own name as gethostname reports it.
    static std::string thisHostName();

private:
    bool isLocalHost(const std::string& host) const;

    std::string hostName;
};

} // namespace osgKELVO
