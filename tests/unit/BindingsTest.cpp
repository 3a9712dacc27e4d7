// The README's and the manual page's key lists against the binding table: an entry for every row,
// in the words the table gives, and no entry more. The menu screen's key card is drawn from the
// table itself (tools/assetgen/BoardArt.cpp); AssetsTest holds the shipped picture to what the
// generator draws. The page writes its key list and controls from the table at start.
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "input/Bindings.h"

namespace {

// The part of the file from the line starting with `from` to the next line starting with `to`.
std::string section(const char* path, const std::string& from, const std::string& to)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    std::string all = text.str();
    std::size_t start = all.find("\n" + from);
    return start == std::string::npos ? "" : all.substr(start, all.find("\n" + to, start + 1) - start + 1);
}

int count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::string readmeRow(const Binding& b)
{
    return "\n| " + keysText(b) + " | " + qwertyKeysText(b) + " | " + padText(b) + " | " + b.does + " |\n";
}

// A hyphen in a manual page is written \-.
std::string roff(std::string text)
{
    for (std::size_t at = text.find('-'); at != std::string::npos; at = text.find('-', at + 2)) text.insert(at, "\\");
    return text;
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
        std::function<std::string(const Binding&)> entry;
        std::string eachEntry; // how many times this appears: once an entry, and in nothing else
        int others;
    };
    const List lists[] = {
        {section("README.md", "## Keys and mouse", "## "), readmeRow, "\n| ", 1 + 4}, // its head; the touch table's head and rows
        {section("packaging/robotscene.6.in", ".SH KEYS", ".SH FILES"), manualEntry, "\n.TP\n", 0},
    };
    for (const List& list : lists) {
        ASSERT_FALSE(list.text.empty());
        for (const Binding& b : bindings) {
            EXPECT_NE(list.text.find(list.entry(b)), std::string::npos) << "missing:" << list.entry(b);
        }
        EXPECT_EQ(count(list.text, list.eachEntry), bindingCount + list.others) << list.text;
    }
}

} // namespace
