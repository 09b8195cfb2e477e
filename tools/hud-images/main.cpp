// hud-images OUTPUT_DIR FONT_DIR: draws the head-up display's images (panel pieces, logos, legend,
// compass) and the desktop icon as PNG files into OUTPUT_DIR, with the Liberation Sans faces found in FONT_DIR.

#include "CompassImage.h"
#include "LegendImage.h"
#include "LogoImages.h"
#include "PanelImages.h"
#include "TextRenderer.h"

#include <osgDB/FileUtils>
#include <osgDB/WriteFile>

#include <iostream>
#include <string>

namespace {

bool write(const Canvas& canvas, const std::string& path)
{
    if (osgDB::writeImageFile(*canvas.toImage(), path))
        return true;
    std::cerr << "hud-images: cannot write " << path << std::endl;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: hud-images OUTPUT_DIR FONT_DIR" << std::endl;
        return 2;
    }
    const std::string out = argv[1];
    const std::string bold = std::string(argv[2]) + "/LiberationSans-Bold.ttf";
    const std::string regular = std::string(argv[2]) + "/LiberationSans-Regular.ttf";
    for (const std::string& font : {bold, regular}) {
        if (!TextRenderer(font, 12).valid()) {
            std::cerr << "hud-images: cannot read font " << font << std::endl;
            return 1;
        }
    }
    if (!osgDB::makeDirectory(out)) {
        std::cerr << "hud-images: cannot create " << out << std::endl;
        return 1;
    }

    bool ok = true;
    const std::vector<Canvas> pieces = PanelImages::draw();
    for (std::size_t i = 0; i < pieces.size(); ++i)
        ok = write(pieces[i], out + "/Panel_" + std::to_string(i) + ".png") && ok;
    ok = write(LogoImages::drawForBrightBackground(bold, regular), out + "/Logo_light.png") && ok;
    ok = write(LogoImages::drawForDarkBackground(bold, regular), out + "/Logo_dark.png") && ok;
    ok = write(LegendImage::draw(bold, regular), out + "/Legend.png") && ok;
    ok = write(CompassImage::draw(bold), out + "/Compass.png") && ok;
    ok = write(LogoImages::drawIcon(), out + "/Icon.png") && ok;
    return ok ? 0 : 1;
}
