// The README's and the manual page's key lists against the binding table: an entry for every row,
// in the words the table gives, and no entry more. The menu screen's key card is drawn from the
// table itself (tools/assetgen/BoardArt.cpp); AssetsTest holds the shipped picture to what the
// generator draws. The page writes its key list and controls from the table at start.
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "Fixtures.h"
#include "input/Bindings.h"

namespace {

// A hyphen in a manual page is written \-.
std::string roff(const std::string& text)
{
    return std::regex_replace(text, std::regex("-"), "\\-");
}

std::string readmeRow(const Binding& b)
{
    return "\n| " + keysText(b) + " | " + qwertyKeysText(b) + " | " + padText(b) + " | " + b.does + " |\n";
}

std::string manualEntry(const Binding& b)
{
    std::string keys = keysText(b) + (qwertyKeysText(b) != keysText(b) ? "; on QWERTY and QWERTZ " + qwertyKeysText(b) : "");
    return "\n.TP\n" + roff(keys + (padText(b).empty() ? "" : "; gamepad: " + padText(b))) + "\n" + roff(b.does) + "\n";
}

TEST(BindingsTest, TheReadmeAndTheManualPageListEveryBindingInTheTablesWordsAndNoOther)
{
    // The file, its key list from the line starting with `from` to the next starting with `to`, the
    // entries' format, how each starts, and so many other lines that start so (README: the key
    // table's head, the touch table's head and rows).
    struct List { const char *path, *from, *to; std::string (*entry)(const Binding&); std::string start; int others; };
    for (const List& list : {List{"README.md", "## Keys and mouse", "## ", readmeRow, "\n| ", 1 + 4},
                             List{"packaging/robotscene.6.in", ".SH KEYS", ".SH FILES", manualEntry, "\n.TP\n", 0}}) {
        const std::string all = fixtures::readFile(list.path);
        std::string text = all.substr(all.find(std::string("\n") + list.from));
        text = text.substr(0, text.find(std::string("\n") + list.to, 1) + 1);
        int entries = 0;
        for (std::size_t at = text.find(list.start); at != std::string::npos; at = text.find(list.start, at + 1)) ++entries;
        EXPECT_EQ(entries, bindingCount + list.others) << text;
        for (const Binding& b : bindings) {
            EXPECT_NE(text.find(list.entry(b)), std::string::npos) << list.path << " misses:" << list.entry(b);
        }
    }
}

} // namespace
