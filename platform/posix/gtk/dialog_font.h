// The dialog font and the dialog units it defines: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of
// its height, measured as Windows does (GdiGetCharDimensions).
#pragma once

#include <string>

#include <windef.h>

namespace layer {

class DialogFont {
public:
    // The template's face and point size at 96 dots per inch, Windows' default.
    DialogFont(const char* face, int pointSize);

    // The family actually used: the face when it is installed and covers
    // Japanese, otherwise a Japanese proportional font standing in for it.
    const std::string& Family() const { return family_; }
    int PixelSize() const { return pixelSize_; }

    // MapDialogRect: dialog units to pixels.
    RECT ToPixels(int x, int y, int cx, int cy) const;

private:
    void Measure();

    std::string family_;
    int pixelSize_;
    int baseUnitX_ = 0;
    int baseUnitY_ = 0;
};

}  // namespace layer
