#include "FileSelection.h"

std::string OpenFileFilter(const cPictureExtensions& extensions)
{
    std::string filter = "Pictures";
    filter += '\0';
    filter += extensions.FilterPattern();
    filter += '\0';
    filter += "All files";
    filter += '\0';
    filter += "*.*";
    filter += '\0';
    filter += '\0';
    return filter;
}

static std::string InFolder(const std::string& folder, const std::string& name)
{
    bool separated = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
    return separated ? folder + name : folder + '\\' + name;
}

std::vector<std::string> SelectedPaths(const char* selection, size_t size)
{
    std::vector<std::string> texts = ZeroSeparatedTexts(selection, size);
    if (texts.size() < 2) {
        return texts;
    }
    std::vector<std::string> paths;
    for (size_t i = 1; i < texts.size(); ++i) {
        paths.push_back(InFolder(texts[0], texts[i]));
    }
    return paths;
}
