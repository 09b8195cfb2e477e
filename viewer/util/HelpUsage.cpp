#include "util/HelpUsage.h"

#include <algorithm>

namespace osgKELVO {

void HelpUsage::declare(osg::ApplicationUsage& usage, const Line& line)
{
    usage.addKeyboardMouseBinding(line.keys, line.description);
    if (HelpUsage* help = dynamic_cast<HelpUsage*>(&usage))
        help->lines.push_back(line);
}

std::vector<HelpUsage::Line> HelpUsage::getLines() const
{
    std::vector<Line> sorted = lines;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Line& a, const Line& b) {
        return a.section != b.section ? a.section < b.section : a.order < b.order;
    });
    return sorted;
}

} // namespace osgKELVO
