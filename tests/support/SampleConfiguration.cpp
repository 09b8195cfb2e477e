#include "SampleConfiguration.h"

#include <tinyxml2.h>

namespace kelvotest {

std::string sampleConfiguration(unsigned variant, unsigned models)
{
    tinyxml2::XMLDocument document;
    tinyxml2::XMLElement* overlay = document.NewElement("Overlay");
    overlay->SetAttribute("useGeoCoords", "1");
    overlay->SetAttribute("offsetX", 650000 + variant);
    document.InsertEndChild(overlay);

    tinyxml2::XMLElement* scene = document.NewElement("Scene");
    scene->SetAttribute("loadInfoPoints", "0");
    scene->SetAttribute("generatePowerline", "0");
    for (unsigned i = 0; i < models; ++i) {
        tinyxml2::XMLElement* model = scene->InsertNewChildElement("Model");
        const std::string name =
            "Variant " + std::to_string(variant) + " model " + std::to_string(i);
        model->SetAttribute("name", name.c_str());
        model->SetAttribute("filename", ("../Content/Models/" + name + ".ive").c_str());
        model->SetAttribute("layerNum", (i + variant) % 10);
        model->SetAttribute("visible", (i + variant) % 2 ? "1" : "0");
    }
    document.InsertEndChild(scene);

    tinyxml2::XMLElement* window = document.NewElement("Window");
    window->SetAttribute("title", ("KELVOview " + std::to_string(variant)).c_str());
    window->SetAttribute("width", 800);
    window->SetAttribute("height", 600);
    document.InsertEndChild(window);

    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    return std::string(printer.CStr(), printer.CStrSize() - 1);
}

} // namespace kelvotest
