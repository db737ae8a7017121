#include "tools/containment_index.h"

#include <algorithm>
#include <cstring>

namespace tv {
namespace {

// The first four bytes of a suffix up to its text's end, as a number that sorts
// as they do.
std::uint32_t Head(const char* suffix) {
    std::uint32_t head = 0;
    bool ended = false;
    for (int i = 0; i < 4; ++i) {
        ended = ended || suffix[i] == '\0';
        head = (head << 8) | (ended ? 0u : static_cast<unsigned char>(suffix[i]));
    }
    return head;
}

}  // namespace

bool ContainmentIndex::AcceptsTexts(const std::vector<std::string_view>& texts) {
    std::uint64_t total = 0;
    for (const std::string_view text : texts) {
        if (text.find('\0') != std::string_view::npos) return false;
        total += text.size() + 1;
    }
    return total + 4 < (std::uint64_t{1} << 32);
}

ContainmentIndex::ContainmentIndex(const std::vector<std::string_view>& texts) {
    std::size_t total = 0;
    for (const std::string_view text : texts) total += text.size() + 1;
    all_.reserve(total + 4);
    starts_.reserve(texts.size());
    for (const std::string_view text : texts) {
        starts_.push_back(static_cast<std::uint32_t>(all_.size()));
        all_ += text;
        all_ += '\0';
    }
    all_.append(4, '\0');  // Head may read past the last text's end
    // The suffixes sorted by their first four bytes (one number each), then each
    // run of equal heads by the rest.
    std::vector<std::uint64_t> keyed;
    keyed.reserve(total);
    for (std::uint32_t at = 0; at + 4 < all_.size(); ++at)
        if (all_[at] != '\0')
            keyed.push_back((std::uint64_t{Head(all_.data() + at)} << 32) | at);
    std::sort(keyed.begin(), keyed.end());
    suffixes_.resize(keyed.size());
    for (std::size_t i = 0; i < keyed.size(); ++i)
        suffixes_[i] = static_cast<std::uint32_t>(keyed[i] & 0xFFFFFFFFu);
    const auto headOf = [&](std::size_t i) { return keyed[i] >> 32; };
    for (std::size_t begin = 0; begin < keyed.size();) {
        std::size_t end = begin + 1;
        while (end < keyed.size() && headOf(end) == headOf(begin)) ++end;
        // Heads without a zero byte go on; shorter ones are whole and equal.
        if (end - begin > 1 && (headOf(begin) & 0xFF) != 0) {
            std::sort(suffixes_.begin() + static_cast<std::ptrdiff_t>(begin),
                      suffixes_.begin() + static_cast<std::ptrdiff_t>(end),
                      [&](std::uint32_t a, std::uint32_t b) {
                          return std::strcmp(all_.data() + a + 4, all_.data() + b + 4) < 0;
                      });
        }
        begin = end;
    }
}

std::uint32_t ContainmentIndex::TextAt(std::uint32_t position) const {
    return static_cast<std::uint32_t>(std::upper_bound(starts_.begin(), starts_.end(), position) -
                                      starts_.begin() - 1);
}

std::vector<std::uint32_t> ContainmentIndex::Containing(std::uint32_t of) const {
    const char* needle = all_.data() + starts_[of];
    const std::size_t length = std::strlen(needle);
    // The suffixes that begin with the needle form one run.
    const auto first = std::lower_bound(
        suffixes_.begin(), suffixes_.end(), needle, [&](std::uint32_t suffix, const char* text) {
            return std::strncmp(all_.data() + suffix, text, length) < 0;
        });
    const auto last = std::upper_bound(
        first, suffixes_.end(), needle, [&](const char* text, std::uint32_t suffix) {
            return std::strncmp(text, all_.data() + suffix, length) < 0;
        });
    std::vector<std::uint32_t> found;
    found.reserve(static_cast<std::size_t>(last - first));
    for (auto it = first; it != last; ++it) found.push_back(TextAt(*it));
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

}  // namespace tv
