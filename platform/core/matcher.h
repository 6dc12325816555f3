// The framework's fuzzy text matcher, used by the locators of the browses.
//
// Match(pattern, text) scores how well the typed pattern fits a text, from 0 (no match)
// to 100 (the same text). Trailing blanks of either are ignored. In order of score:
//   100      the same text;
//   80..98   the text begins with the pattern;
//   70..79   the pattern stands in the text at the start of a word;
//   60..69   the pattern stands anywhere else in the text;
//   44..58   the pattern differs from some part of the text (with whole words: from
//            some run of the text's words) by at most one edit (insert, delete or
//            change of a character) per four characters of the pattern; fewer edits
//            per character of the pattern score higher.
// Within the bands, a pattern that covers more of the text scores higher. An empty
// pattern matches nothing.
//
// Options: 1 ignore case (CP1250 letters folded), 2 whole words only (the pattern
// must begin and end at word boundaries of the text). Both are off after Init.
#pragma once

#include <atomic>
#include <string_view>

namespace rt {

class TextMatcher {
public:
    static constexpr int kIgnoreCase = 1;
    static constexpr int kWholeWords = 2;

    TextMatcher() = default;
    ~TextMatcher();
    TextMatcher(const TextMatcher&) = delete;
    TextMatcher& operator=(const TextMatcher&) = delete;

    // Set-up: clears both options and makes this the process's current matcher.
    void Init();
    // Option 1 or 2 on or off; other numbers are ignored.
    void SetOption(int option, bool on);
    bool Option(int option) const;

    int Match(std::string_view pattern, std::string_view text) const;

    // The process's current matcher (null when none is set, or after it was destroyed).
    static void SetCurrent(TextMatcher* matcher);
    static TextMatcher* Current();

private:
    std::atomic<bool> ignore_case_{false};
    std::atomic<bool> whole_words_{false};
};

}  // namespace rt
