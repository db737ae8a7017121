#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// Which of a set of texts occur inside which: a suffix array over all of them,
// so that the texts containing a given one are found by two binary searches,
// without looking at texts that merely share a few letters with it. The texts must
// not contain a zero byte (it separates them); AcceptsTexts tells.
class ContainmentIndex {
  public:
    static bool AcceptsTexts(const std::vector<std::string_view>& texts);

    explicit ContainmentIndex(const std::vector<std::string_view>& texts);

    // The numbers of the texts that contain text number `of` (itself included),
    // ascending, each once.
    std::vector<std::uint32_t> Containing(std::uint32_t of) const;

  private:
    std::uint32_t TextAt(std::uint32_t position) const;

    std::string all_;                    // the texts, each followed by a zero byte
    std::vector<std::uint32_t> starts_;  // where each text begins in all_
    std::vector<std::uint32_t> suffixes_;  // positions in all_, in the order of their suffixes
};

}  // namespace tv
