#include "tools/duplicate_finder.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "base/text_case.h"
#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"

namespace tv {
namespace {

constexpr int kTextCriteria[] = {kDoubleByName, kDoubleByTitle, kDoubleByArtist};

// "03:41" -> "03:4": the text without its last character.
std::string WithoutLastCharacter(std::string_view text) {
    std::size_t end = text.size();
    if (end == 0) return {};
    --end;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end));
}

// Whether one of two texts occurs inside the other; an empty text occurs in none.
bool OneInsideOther(std::string_view a, std::string_view b) {
    if (a.empty() || b.empty()) return false;
    return a.size() <= b.size() ? b.find(a) != std::string_view::npos
                                : a.find(b) != std::string_view::npos;
}

// The values one row is compared by, computed once.
struct RowValues {
    std::string Text[3];  // name, title, artist (folded unless case matters)
    std::string Key;      // the values of every criterion that is an equality
};

class DuplicateSearch {
  public:
    DuplicateSearch(const SongList& list, const DoubleOptions& options)
        : list_(list), options_(options), rows_(list.DataRowCount()) {
        for (int i = 0; i < 3; ++i) {
            const bool chosen = (options.Criteria & kTextCriteria[i]) != 0;
            if (chosen && !options.Exact) similar_.push_back(i);
            if (chosen && options.Exact) equal_.push_back(i);
        }
        values_.resize(static_cast<std::size_t>(rows_) + 1);
        for (int row = 1; row <= rows_; ++row) ComputeValues(row);
    }

    std::vector<std::pair<int, int>> Run(const DoubleProgress& progress) {
        std::vector<int> first(static_cast<std::size_t>(rows_) + 1, 0);
        const bool completed =
            similar_.empty() ? MatchEqualKeys(first, progress) : MatchSimilar(first, progress);
        std::vector<std::pair<int, int>> pairs;
        if (!completed) return pairs;
        for (int row = 1; row < rows_; ++row)
            if (first[static_cast<std::size_t>(row)] != 0)
                pairs.emplace_back(row, first[static_cast<std::size_t>(row)]);
        return pairs;
    }

  private:
    void ComputeValues(int row) {
        RowValues& values = values_[static_cast<std::size_t>(row)];
        const std::string_view cells[3] = {FileNamePart(list_.Cell(row, colFileName)),
                                           list_.Cell(row, colTitle), list_.Cell(row, colArtist)};
        for (int i = 0; i < 3; ++i) {
            if ((options_.Criteria & kTextCriteria[i]) == 0) continue;
            values.Text[i] = options_.CaseSensitive ? std::string(cells[i]) : UpperCase(cells[i]);
        }
        // Equalities as one key; each value with its length in front, so that no
        // two different value lists give the same key.
        const auto append = [&values](std::string_view value) {
            const auto size = static_cast<std::uint32_t>(value.size());
            values.Key.append(reinterpret_cast<const char*>(&size), sizeof size);
            values.Key.append(value);
        };
        for (const int i : equal_) append(values.Text[i]);
        if (options_.Criteria & kDoubleByLength) {
            const std::string_view time = list_.Cell(row, colTime);
            append(options_.Exact ? time : WithoutLastCharacter(time));
        }
    }

    // Only equalities: the first later duplicate of a row is the next row with the
    // same key.
    bool MatchEqualKeys(std::vector<int>& first, const DoubleProgress& progress) {
        std::unordered_map<std::string_view, int> nextWithKey;
        nextWithKey.reserve(static_cast<std::size_t>(rows_));
        for (int row = rows_; row >= 1; --row) {
            if (progress && row % 4096 == 0 && !progress(rows_ - row)) return false;
            const std::string& key = values_[static_cast<std::size_t>(row)].Key;
            auto [it, inserted] = nextWithKey.try_emplace(key, row);
            if (!inserted) {
                first[static_cast<std::size_t>(row)] = it->second;
                it->second = row;
            }
        }
        return true;
    }

    // A row whose value of a similarity criterion is empty agrees with no row.
    bool Excluded(int row) const {
        for (const int i : similar_)
            if (values_[static_cast<std::size_t>(row)].Text[i].empty()) return true;
        return false;
    }

    // Every criterion but the driver's containment, which the caller has found.
    bool OthersAgree(int a, int b) const {
        const RowValues& x = values_[static_cast<std::size_t>(a)];
        const RowValues& y = values_[static_cast<std::size_t>(b)];
        if (x.Key != y.Key) return false;
        for (const int i : similar_)
            if (i != driver_ && !OneInsideOther(x.Text[i], y.Text[i])) return false;
        return true;
    }

    static std::uint32_t Gram(std::string_view text, std::size_t at, std::size_t length) {
        std::uint32_t gram = static_cast<std::uint32_t>(length) << 24;
        for (std::size_t i = 0; i < length; ++i)
            gram |= static_cast<std::uint32_t>(static_cast<unsigned char>(text[at + i])) << (8 * i);
        return gram;
    }

    // Similar texts: a pair agrees on the driver criterion when one value occurs
    // inside the other. For each row x (ascending) the rows whose value contains
    // x's value are found through the posting list of the rarest gram (3 bytes, or
    // the whole value when shorter) of x's value; a row y > x containing it is a
    // candidate later duplicate of x, a row y < x makes x a candidate for y.
    bool MatchSimilar(std::vector<int>& first, const DoubleProgress& progress) {
        std::size_t longest = 0;
        for (const int i : similar_) {
            std::size_t total = 0;
            for (int row = 1; row <= rows_; ++row)
                total += values_[static_cast<std::size_t>(row)].Text[i].size();
            if (total >= longest) {
                longest = total;
                driver_ = i;
            }
        }
        // The gram lengths needed: 3, and the lengths of shorter values.
        bool needLength[4] = {false, false, false, false};
        std::vector<char> excluded(static_cast<std::size_t>(rows_) + 1, 0);
        for (int row = 1; row <= rows_; ++row) {
            excluded[static_cast<std::size_t>(row)] = Excluded(row) ? 1 : 0;
            if (excluded[static_cast<std::size_t>(row)]) continue;
            needLength[std::min<std::size_t>(Driver(row).size(), 3)] = true;
        }
        std::unordered_map<std::uint32_t, std::vector<int>> postings;
        std::vector<std::uint32_t> grams;
        for (int row = 1; row <= rows_; ++row) {
            if (excluded[static_cast<std::size_t>(row)]) continue;
            const std::string& value = Driver(row);
            grams.clear();
            for (std::size_t length = 1; length <= 3; ++length) {
                if (!needLength[length]) continue;
                for (std::size_t at = 0; at + length <= value.size(); ++at)
                    grams.push_back(Gram(value, at, length));
            }
            std::sort(grams.begin(), grams.end());
            grams.erase(std::unique(grams.begin(), grams.end()), grams.end());
            for (const std::uint32_t gram : grams) postings[gram].push_back(row);
        }

        for (int x = 1; x <= rows_; ++x) {
            if (progress && x % 256 == 0 && !progress(std::min(x, rows_ - 1))) return false;
            if (excluded[static_cast<std::size_t>(x)]) continue;
            const std::string& needle = Driver(x);
            const std::size_t length = std::min<std::size_t>(needle.size(), 3);
            const std::vector<int>* rarest = nullptr;
            for (std::size_t at = 0; at + length <= needle.size(); ++at) {
                const auto it = postings.find(Gram(needle, at, length));
                if (rarest == nullptr || it->second.size() < rarest->size()) rarest = &it->second;
            }
            for (const int y : *rarest) {
                if (y == x) continue;
                int& partner = first[static_cast<std::size_t>(y < x ? y : x)];
                const int candidate = y < x ? x : y;
                if (partner != 0 && partner <= candidate) {
                    if (y > x) break;  // x has its first duplicate
                    continue;
                }
                if (Driver(y).find(needle) == std::string::npos || !OthersAgree(x, y)) continue;
                partner = candidate;
                if (y > x) break;
            }
        }
        return true;
    }

    const std::string& Driver(int row) const {
        return values_[static_cast<std::size_t>(row)].Text[driver_];
    }

    const SongList& list_;
    DoubleOptions options_;
    int rows_;
    std::vector<int> similar_;  // text criteria compared by containment
    std::vector<int> equal_;    // text criteria compared by equality
    int driver_ = 0;
    std::vector<RowValues> values_;
};

}  // namespace

std::string_view FileNamePart(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::vector<std::pair<int, int>> FindDuplicatePairs(const SongList& list,
                                                    const DoubleOptions& options,
                                                    const DoubleProgress& progress) {
    if (options.Criteria == 0 || list.DataRowCount() < 2) return {};
    DuplicateSearch search(list, options);
    return search.Run(progress);
}

int DoublesSortColumn(const DoubleOptions& options) {
    if (options.Criteria & kDoubleByName) return colFileName;
    if (options.Criteria & kDoubleByTitle) return colTitle;
    if (options.Criteria & kDoubleByArtist) return colArtist;
    return colTime;
}

int FillDoublesList(const SongList& catalogue, SongList& doubles,
                    const std::vector<std::pair<int, int>>& pairs, const DoubleOptions& options) {
    DeleteListRows(doubles, 1, doubles.DataRowCount());
    doubles.ClearRow(1);
    doubles.SetRowColour(1, std::nullopt);
    int listed = 0;
    for (const auto& [row, partner] : pairs) {
        listed += AppendUniqueRows(catalogue, doubles, row, row);
        listed += AppendUniqueRows(catalogue, doubles, partner, partner);
    }
    SortListByColumn(doubles, DoublesSortColumn(options), true);
    return listed;
}

}  // namespace tv
