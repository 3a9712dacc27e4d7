// The README's and the manual page's key lists against the binding table: an entry for every row,
// in the words the table gives, and no entry more. The menu screen's key card is drawn from the
// table itself (tools/assetgen/BoardArt.cpp); AssetsTest holds the shipped picture to what the
// generator draws. The page writes its key list and controls from the table at start.
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "input/Bindings.h"

namespace {

// The part of the file from the line starting with `from` to the next line starting with `to`.
std::string section(const char* path, const std::string& from, const std::string& to)
{
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    std::string all = text.str();
    std::size_t start = all.find("\n" + from);
    return start == std::string::npos ? "" : all.substr(start, all.find("\n" + to, start + 1) - start + 1);
}

// A hyphen in a manual page is written \-.
std::string roff(std::string text)
{
    for (std::size_t at = text.find('-'); at != std::string::npos; at = text.find('-', at + 2)) text.insert(at, "\\");
    return text;
}

std::string readmeRow(const Binding& b)
{
    return "\n| " + keysText(b) + " | " + qwertyKeysText(b) + " | " + padText(b) + " | " + b.does + " |\n";
}

std::string manualEntry(const Binding& b)
{
    std::string keys = keysText(b);
    if (qwertyKeysText(b) != keys) keys += "; on QWERTY and QWERTZ " + qwertyKeysText(b);
    if (!padText(b).empty()) keys += "; gamepad: " + padText(b);
    return "\n.TP\n" + roff(keys) + "\n" + roff(b.does) + "\n";
}

TEST(BindingsTest, TheReadmeAndTheManualPageListEveryBindingInTheTablesWordsAndNoOther)
{
    struct List {
        std::string text;
        std::string (*entry)(const Binding&);
        std::string start; // how every entry starts, and so many other lines (README: the key table's
        int others;        // head, the touch table's head and rows)
    };
    for (const List& list : {List{section("README.md", "## Keys and mouse", "## "), readmeRow, "\n| ", 1 + 4},
                             List{section("packaging/robotscene.6.in", ".SH KEYS", ".SH FILES"), manualEntry, "\n.TP\n", 0}}) {
        int entries = 0;
        for (std::size_t at = list.text.find(list.start); at != std::string::npos; at = list.text.find(list.start, at + 1)) {
            ++entries;
        }
        EXPECT_EQ(entries, bindingCount + list.others) << list.text;
        for (const Binding& b : bindings) {
            EXPECT_NE(list.text.find(list.entry(b)), std::string::npos) << "missing:" << list.entry(b);
        }
    }
}

} // namespace
