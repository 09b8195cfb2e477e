#pragma once

#include "Canvas.h"

#include <string>

// The product's word mark: an emblem (hills over the sea) beside "KELVOview", once with dark
// lettering for bright backgrounds and once with light lettering for dark ones. Both have the
// same size. The emblem alone, 48 pixels square, is the program's icon on the desktop.
class LogoImages
{
public:
    static Canvas drawForBrightBackground(const std::string& boldFont, const std::string& regularFont);
    static Canvas drawForDarkBackground(const std::string& boldFont, const std::string& regularFont);
    static Canvas drawIcon();
};
