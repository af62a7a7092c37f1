// The file name extensions of the pictures the saver reads. One list serves the folder
// walk, which chooses a folder's pictures by it, and the image list dialog's "Pictures"
// filter. What a file holds is still recognised by its content, never by its name.
#pragma once

#include <string>
#include <vector>

class cPictureExtensions {
public:
    // The extensions the saver reads everywhere (its own decoders, and TIFF); on Windows,
    // AddSystemPictureExtensions (decoder/SystemPictureExtensions.h) adds the rest.
    cPictureExtensions();

    // Adds one more, such as ".heic", in any letter case; one already there is not repeated,
    // and a text that is not a dot and a name is left out.
    void Add(const char* extension);
    // Whether the file name ends in one of the extensions, in any letter case.
    bool Matches(const char* name) const;
    bool Matches(const wchar_t* name) const;
    // The open-file dialog's pattern: "*.bmp;*.dib;…".
    std::string FilterPattern() const;
    const std::vector<std::string>& List() const { return extensions; }

private:
    std::vector<std::string> extensions; // lower case, with the dot
};
