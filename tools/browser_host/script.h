// The host's command language: one command a line, words separated by
// blanks, options written key=value, texts quoted with "" (\" \\ \n \t
// inside). A line starting with # is a comment.
//
//   window main
//   page http://kids.example/ title="Kids' corner" meta.keywords="games, puzzles"
//   navigate main http://kids.example/ steps=3
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tb::host {

struct Command {
    int line = 0;
    std::string name;
    std::vector<std::string> words;                            // after the name, in order
    std::vector<std::pair<std::string, std::string>> options;  // in order

    bool has(const std::string& word) const;
    std::optional<std::string> option(const std::string& key) const;
    // The option as a number; fallback when absent, nullopt when not a number.
    std::optional<long> number(const std::string& key, long fallback) const;
};

struct ParsedLine {
    std::optional<Command> command;  // empty for a blank line or a comment
    std::string error;               // set when the line is malformed
};

ParsedLine parseCommandLine(const std::string& text, int line);

// A text as a value of an output line: bare when it is a plain word,
// otherwise quoted with the same escapes as the input.
std::string quoted(const std::string& value);

// "kind subject key=value ..." with every value through quoted().
std::string outputLine(const std::string& kind, const std::string& subject,
                       const std::vector<std::pair<std::string, std::string>>& fields);

}  // namespace tb::host
