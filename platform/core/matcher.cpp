#include "platform/core/matcher.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/core/text.h"

namespace rt {

namespace {

std::atomic<TextMatcher*> current_matcher{nullptr};

bool is_word_char(char c) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z')) return true;
    // CP1250 letters are the bytes with a case partner, and sharp s.
    return u >= 0x80 && (upper_char(c) != lower_char(c) || u == 0xDF);
}

struct Span {
    std::size_t begin, end;
};

std::vector<Span> words_of(std::string_view s) {
    std::vector<Span> words;
    for (std::size_t i = 0; i < s.size();) {
        if (!is_word_char(s[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < s.size() && is_word_char(s[j])) ++j;
        words.push_back({i, j});
        i = j;
    }
    return words;
}

// Edit distance between a and b; with `anywhere`, between a and the closest substring of b.
std::size_t distance(std::string_view a, std::string_view b, bool anywhere) {
    std::vector<std::size_t> prev(b.size() + 1), cur(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) prev[j] = anywhere ? 0 : j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        cur[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j)
            cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (a[i - 1] != b[j - 1])});
        std::swap(prev, cur);
    }
    return anywhere ? *std::min_element(prev.begin(), prev.end()) : prev[b.size()];
}

int share(int base, int span, std::size_t part, std::size_t whole) {
    return base + static_cast<int>(static_cast<std::size_t>(span) * part / whole);
}

}  // namespace

TextMatcher::~TextMatcher() {
    TextMatcher* self = this;
    current_matcher.compare_exchange_strong(self, nullptr);
}

void TextMatcher::Init() {
    ignore_case_ = false;
    whole_words_ = false;
    SetCurrent(this);
}

void TextMatcher::SetOption(int option, bool on) {
    if (option == kIgnoreCase) ignore_case_ = on;
    if (option == kWholeWords) whole_words_ = on;
}

bool TextMatcher::Option(int option) const {
    if (option == kIgnoreCase) return ignore_case_;
    if (option == kWholeWords) return whole_words_;
    return false;
}

void TextMatcher::SetCurrent(TextMatcher* matcher) { current_matcher = matcher; }
TextMatcher* TextMatcher::Current() { return current_matcher; }

int TextMatcher::Match(std::string_view pattern_in, std::string_view text_in) const {
    const bool fold = ignore_case_;
    const bool whole = whole_words_;
    const std::string p = fold ? upper(clip(pattern_in)) : clip(pattern_in);
    const std::string t = fold ? upper(clip(text_in)) : clip(text_in);
    if (p.empty()) return 0;
    if (p == t) return 100;
    if (p.size() < t.size()) {
        int best = 0;
        for (std::size_t pos = t.find(p); pos != std::string::npos; pos = t.find(p, pos + 1)) {
            const std::size_t end = pos + p.size();
            const bool word_start = pos == 0 || !is_word_char(t[pos - 1]) || !is_word_char(p.front());
            const bool word_end = end == t.size() || !is_word_char(t[end]) || !is_word_char(p.back());
            if (whole && !(word_start && word_end)) continue;
            const int score = pos == 0     ? share(80, 19, p.size(), t.size())
                              : word_start ? share(70, 10, p.size(), t.size())
                                           : share(60, 10, p.size(), t.size());
            best = std::max(best, score);
        }
        if (best > 0) return best;
    }
    const std::size_t allowed = p.size() / 4;
    if (allowed == 0) return 0;
    std::size_t d = allowed + 1;
    if (!whole) {
        d = distance(p, t, true);
    } else {
        const std::size_t k = words_of(p).size();
        const std::vector<Span> words = words_of(t);
        for (std::size_t i = 0; k > 0 && i + k <= words.size(); ++i) {
            const std::size_t b = words[i].begin, e = words[i + k - 1].end;
            d = std::min(d, distance(p, std::string_view(t).substr(b, e - b), false));
        }
    }
    if (d == 0 || d > allowed) return 0;
    return 1 + static_cast<int>(58 * (p.size() - d) / p.size());
}

}  // namespace rt
