#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>
#include <vector>

// Writes JSON to a stream, indented by two spaces, one member or element a
// line. Strings are escaped; bytes that are not valid UTF-8 are taken as
// Latin-1, so any text a plug-in hands out gives valid JSON.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The name of the next member of the current object.
    void key(std::string_view name);

    void string(std::string_view text);
    void number(std::int64_t value);
    void boolean(bool flag);
    void null();

    // A member of the current object: key, then value.
    void stringMember(std::string_view name, std::string_view text);
    void numberMember(std::string_view name, std::int64_t value);

    // Ends the document with a line feed.
    void finish();

private:
    void beforeValue();
    void open(char bracket);
    void close(char bracket);

    struct Level {
        bool isObject;
        int members;
    };
    std::ostream& out_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
};

// The text as a JSON string literal, quotes included.
std::string jsonQuoted(std::string_view text);
