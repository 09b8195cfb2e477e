#pragma once

#include <osg/ApplicationUsage>

#include <vector>

namespace osgKELVO {

// The usage the help panel gathers from the handlers. The scene-graph library's usage keeps key
// bindings in a map sorted by their names; this one also keeps each line a handler declares for
// the panel, with the place the line takes there.
class HelpUsage : public osg::ApplicationUsage
{
public:
    // The panel's groups of lines, top to bottom.
    enum Section { Navigation, Scene, FunctionKeys, Exit };

    // One line of the panel: its place (section, then ascending order within it), the keys as
    // the panel names them and what they do.
    struct Line
    {
        Section section;
        int order;
        const char* keys;
        const char* description;
    };

    // Called by a handler's getUsage for each line it shows: any usage gets the key binding, a
    // HelpUsage the line as well.
    static void declare(osg::ApplicationUsage& usage, const Line& line);

    // The lines declared so far in the panel's order; lines of the same place keep the order in
    // which they were declared.
    std::vector<Line> getLines() const;

protected:
    ~HelpUsage() override = default;

private:
    std::vector<Line> lines;
};

} // namespace osgKELVO
