// ContactSheet: one overview picture of all textures with their names and sizes, for the
// documentation. Transparent pictures are shown over a checkerboard.
#pragma once

#include "Canvas.h"
#include "Font.h"

#include <string>
#include <vector>

class ContactSheet {
public:
    ContactSheet(const Font& regular, const Font& bold);

    void add(const std::string& name, const Canvas& picture);
    Canvas render() const;

private:
    struct Entry {
        std::string name;
        Canvas picture;
    };
    const Font& regular;
    const Font& bold;
    std::vector<Entry> entries;
};
