#pragma once

#include <string>

// A plug-in's text with its control characters written as \xNN, so that
// what the plug-in hands out cannot disturb the terminal.
std::string printable(const std::string& text);
