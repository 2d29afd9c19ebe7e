// The colour scheme: style records by index, and the colours a region gets from them.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "colorerAbi.h"

namespace colorer {

class Scheme {
public:
    void Load(const std::string& path);
    ColorerStyle* Style(int32_t index);
    // Gives every region of the buffer its scheme index and colours.
    void Colour(ColorerLineRecord* records, int32_t capacity, const ColorerStyle* defaultStyle);

private:
    int IndexOf(int styleClass);

    std::mutex mutex_;
    std::vector<std::unique_ptr<ColorerStyle>> styles_; // index 0 unused
    std::unordered_map<std::string, int> indexByName_;
    std::vector<int> indexByClass_; // -2 = not resolved yet
};

} // namespace colorer
