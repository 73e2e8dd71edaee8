// LayoutScript: runs the artwork's text sources (palette, pixel-art grids, layout
// descriptions) and collects the pictures they describe.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "picture.h"

namespace artgen {

struct Resource {
    Picture picture;
    int depth = 8;
    uint32_t key = kClear;  // the sheet's transparent colour, checked when the picture ends
    struct KeyRegion {
        int x, y, w, h;
        uint32_t key;
    };
    std::vector<KeyRegion> keyRegions;  // parts of the sheet keyed on another colour
    std::string source;                 // file:line where the picture began
};

class LayoutScript {
  public:
    // Runs one source file. False on the first error, with `error` naming file and line.
    bool run(const std::string& path);

    const std::map<int, Resource>& resources() const { return pictures; }
    // The icon's small master picture, if a script defined one.
    const Picture* icon() const { return iconPicture.width() ? &iconPicture : nullptr; }
    const std::string& error() const { return message; }

  private:
    struct Grid {
        std::vector<std::string> rows;
        std::map<char, uint32_t> legend;
    };

    bool command(const std::vector<std::string>& words);
    bool finishPicture();
    bool fail(const std::string& what);
    bool colour(const std::string& word, uint32_t& out);
    bool number(const std::string& word, int& out);
    bool numbers(const std::vector<std::string>& words, size_t from, size_t count, int* out);
    void drawGrid(const Grid& grid, int x, int y, const std::vector<uint32_t>& ramp, int scale);

    std::map<std::string, uint32_t> palette;
    std::map<std::string, std::vector<uint32_t>> ramps;
    std::map<char, uint32_t> legend;
    std::map<std::string, Grid> grids;
    std::map<int, Resource> pictures;
    Picture iconPicture;

    Resource current;
    int currentId = 0;
    bool inPicture = false;

    // Reading a grid's rows.
    std::string gridName;
    int gridWidth = 0;
    int gridRowsLeft = 0;

    std::string file;
    int line = 0;
    std::string message;
};

}  // namespace artgen
