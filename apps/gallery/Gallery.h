// Gallery.h - the pictures of the gallery's pages.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace gallery {

// A picture written into the output folder, with a line saying what it shows.
struct TPicture {
    std::string File;
    std::string Caption;
};

// Each writes its pictures into Dir and returns them (failures go to stderr
// and leave the picture out).
std::vector<TPicture> StandardFormPictures(const std::filesystem::path& Dir);
std::vector<TPicture> Vis1Pictures(const std::filesystem::path& Dir);
std::vector<TPicture> Vis2Pictures(const std::filesystem::path& Dir);
std::vector<TPicture> NoVis2Pictures(const std::filesystem::path& Dir);

}  // namespace gallery
