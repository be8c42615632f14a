// The JSON that --json prints: layout, and text escaped so that anything a
// plug-in hands out stays valid JSON.
#include <gtest/gtest.h>

#include <sstream>

#include "JsonWriter.h"

namespace {

TEST(JsonWriterTest, NestsObjectsAndArraysOneMemberALine) {
    std::ostringstream out;
    JsonWriter json(out);
    json.beginObject();
    json.key("name");
    json.string("Mode");
    json.key("flags");
    json.beginArray();
    json.string("GuiSide");
    json.number(-3);
    json.endArray();
    json.key("none");
    json.beginArray();
    json.endArray();
    json.key("more");
    json.boolean(false);
    json.key("text");
    json.null();
    json.endObject();
    json.finish();
    EXPECT_EQ(out.str(),
              "{\n"
              "  \"name\": \"Mode\",\n"
              "  \"flags\": [\n"
              "    \"GuiSide\",\n"
              "    -3\n"
              "  ],\n"
              "  \"none\": [],\n"
              "  \"more\": false,\n"
              "  \"text\": null\n"
              "}\n");
}

TEST(JsonWriterTest, EscapesWhatJsonCannotHoldAsIs) {
    struct Case {
        std::string text;
        const char* quoted;
    };
    for (const Case& c : {
             Case{"say \"hi\"\\", R"("say \"hi\"\\")"}, Case{"a\nb\tc\rd", R"("a\nb\tc\rd")"},
             Case{std::string("\x01\x1F\x7F", 3), R"("\u0001\u001F\u007F")"},
             Case{"caf\xC3\xA9 \xE2\x82\xAC", "\"caf\xC3\xA9 \xE2\x82\xAC\""},  // valid UTF-8 stays
             Case{"caf\xE9", R"("caf\u00E9")"},                                 // Latin-1 byte
             Case{"\xC0\xAF", R"("\u00C0\u00AF")"},                             // overlong form
             Case{"\xED\xA0\x80", R"("\u00ED\u00A0\u0080")"},                   // a surrogate
             Case{"\xE2\x82", R"("\u00E2\u0082")"},                             // cut short
         }) {
        EXPECT_EQ(jsonQuoted(c.text), c.quoted);
    }
}

}  // namespace
