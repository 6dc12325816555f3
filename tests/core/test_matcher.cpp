#include "platform/core/matcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using rt::TextMatcher;

namespace {

// CP1250: č E8, Č C8, ć E6, Ć C6, š 9A, Š 8A, ž 9E, Ž 8E.
constexpr const char* kPetrovicLower = "marko petrovi\xE6";
constexpr const char* kPetrovicUpper = "MARKO PETROVI\xC6";

}  // namespace

TEST(TextMatcher, InitClearsOptionsAndBecomesCurrent) {
    {
        TextMatcher m;
        m.SetOption(1, true);
        m.SetOption(2, true);
        m.SetOption(7, true);  // no such option: ignored
        EXPECT_TRUE(m.Option(1));
        EXPECT_TRUE(m.Option(2));
        EXPECT_FALSE(m.Option(7));
        m.Init();
        EXPECT_FALSE(m.Option(1));
        EXPECT_FALSE(m.Option(2));
        EXPECT_EQ(TextMatcher::Current(), &m);

        TextMatcher other;
        TextMatcher::SetCurrent(&other);
        EXPECT_EQ(TextMatcher::Current(), &other);
        TextMatcher::SetCurrent(&m);
    }
    EXPECT_EQ(TextMatcher::Current(), nullptr);  // a destroyed matcher is not left current
}

TEST(TextMatcher, CaseAndWholeWordOptions) {
    const struct {
        bool ignore_case;
        bool whole_words;
        const char* pattern;
        const char* text;
        int min, max;
    } cases[] = {
        {true, false, kPetrovicLower, kPetrovicUpper, 100, 100},  // CP1250 letters folded
        {false, false, kPetrovicLower, kPetrovicUpper, 0, 0},
        {false, false, "Ana  ", "Ana", 100, 100},  // trailing blanks ignored
        {true, false, "", "Ana", 0, 0},
        {true, false, "ana", "Ana Marija", 80, 98},  // the text begins with it
        {true, false, "mar", "Ana Marija", 70, 79},  // at the start of a word
        {true, true, "mar", "Ana Marija", 0, 0},     // not a whole word
        {true, true, "marija", "Ana Marija", 70, 79},
        {true, false, "ana", "Marijana", 60, 69},  // inside a word
        {true, true, "ana", "Marijana", 0, 0},
        {true, true, "ana marija", "Ana Marija Ili\xE6", 80, 98},
        {false, true, "ana", "Ana Marija", 0, 0},          // case counts without option 1
        {true, true, "Petrovic", kPetrovicUpper, 44, 58},  // one edit in a whole word
        {true, false, "Petrovic", kPetrovicUpper, 44, 58},
        {true, true, "etrovi", kPetrovicUpper, 0, 0},     // a part of a word is no word
        {true, false, "Pet", "Pat", 0, 0},                // too short for an edit
        {true, false, "Petar", "Peta", 44, 58},           // pattern longer than the text
        {true, false, "Ma.", "Ma. Petrovi\xE6", 80, 98},  // punctuation needs no boundary
        {true, true, "Ma.", "Ma.Petrovi\xE6", 80, 98},
    };
    TextMatcher m;
    for (const auto& c : cases) {
        m.Init();
        m.SetOption(TextMatcher::kIgnoreCase, c.ignore_case);
        m.SetOption(TextMatcher::kWholeWords, c.whole_words);
        const int score = m.Match(c.pattern, c.text);
        EXPECT_GE(score, c.min) << c.pattern << " / " << c.text << " case " << c.ignore_case << " words "
                                << c.whole_words;
        EXPECT_LE(score, c.max) << c.pattern << " / " << c.text << " case " << c.ignore_case << " words "
                                << c.whole_words;
    }
}

TEST(TextMatcher, CloserMatchesScoreHigher) {
    TextMatcher m;
    m.Init();
    m.SetOption(TextMatcher::kIgnoreCase, true);
    // From the same text down to no match.
    const std::vector<const char*> ranked = {"MARKO",         "Markovi\xE6", "Ana Markovi\xE6",
                                             "Dimarkovi\xE6", "Mirko",       "Mirka"};
    std::vector<int> scores;
    for (const char* text : ranked) scores.push_back(m.Match("marko", text));
    for (std::size_t i = 1; i < scores.size(); ++i)
        EXPECT_GT(scores[i - 1], scores[i]) << ranked[i - 1] << " vs " << ranked[i];
    EXPECT_EQ(scores.back(), 0);
    // A pattern that covers more of the text scores higher in the same band.
    EXPECT_GT(m.Match("marko", "Marko P"), m.Match("marko", "Marko Petrovi\xE6"));
    // Fewer edits score higher.
    EXPECT_GT(m.Match("petrovicka", "Petrovi\xE6ka"), m.Match("petrovicka", "Petr\xF3vi\xE6ka"));
}
