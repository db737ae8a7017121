#include "tools/duplicate_finder.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "base/text_case.h"
#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "tools/containment_index.h"

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
    // inside the other. The rows are grouped by their driver value; a suffix array
    // of the distinct values gives each value the values that contain it, and so
    // each group the groups it agrees with (itself, those containing it, those it
    // contains). A row's first later duplicate is then the first later row of
    // those groups on which the other criteria agree.
    bool MatchSimilar(std::vector<int>& first, const DoubleProgress& progress) {
        ChooseDriver();
        std::unordered_map<std::string_view, std::uint32_t> groupOf;
        std::vector<std::string_view> texts;
        std::vector<std::vector<int>> rowsOf;
        for (int row = 1; row <= rows_; ++row) {
            if (Excluded(row)) continue;
            const auto [it, added] =
                groupOf.try_emplace(Driver(row), static_cast<std::uint32_t>(texts.size()));
            if (added) {
                texts.push_back(Driver(row));
                rowsOf.emplace_back();
            }
            rowsOf[it->second].push_back(row);
        }
        if (!ContainmentIndex::AcceptsTexts(texts)) return MatchSimilarByGrams(first, progress);
        const ContainmentIndex index(texts);
        std::vector<std::vector<std::uint32_t>> related(texts.size());
        for (std::uint32_t group = 0; group < texts.size(); ++group) {
            if (group % 4096 == 0 && !Report(progress, group, 2 * texts.size())) return false;
            for (const std::uint32_t container : index.Containing(group)) {
                related[group].push_back(container);  // itself among them
                if (container != group) related[container].push_back(group);
            }
        }
        std::vector<int> candidates;
        for (std::uint32_t group = 0; group < texts.size(); ++group) {
            if (group % 4096 == 0 && !Report(progress, texts.size() + group, 2 * texts.size()))
                return false;
            const std::vector<std::uint32_t>& others = related[group];
            const std::vector<int>& rows = rowsOf[group];
            std::size_t merged = 0;
            for (const std::uint32_t other : others) merged += rowsOf[other].size();
            if (merged <= 4 * rows.size() * others.size()) {
                // The rows of all agreeing groups in one sorted list, used by every
                // row of the group.
                candidates.clear();
                candidates.reserve(merged);
                for (const std::uint32_t other : others)
                    candidates.insert(candidates.end(), rowsOf[other].begin(), rowsOf[other].end());
                std::sort(candidates.begin(), candidates.end());
                for (const int row : rows) {
                    for (auto it = std::upper_bound(candidates.begin(), candidates.end(), row);
                         it != candidates.end(); ++it) {
                        if (OthersAgree(row, *it)) {
                            first[static_cast<std::size_t>(row)] = *it;
                            break;
                        }
                    }
                }
            } else {
                // A few rows agreeing with many (a short value inside many others):
                // each row looks into each agreeing group from its own place on.
                for (const int row : rows)
                    first[static_cast<std::size_t>(row)] = FirstLaterAgreeing(row, others, rowsOf);
            }
        }
        return true;
    }

    // The first row after row, of the given groups' rows, on which the other
    // criteria agree; 0 when there is none. The groups are walked together from
    // row on, the smallest next row first.
    int FirstLaterAgreeing(int row, const std::vector<std::uint32_t>& groups,
                           const std::vector<std::vector<int>>& rowsOf) const {
        using Next = std::pair<int, std::uint32_t>;  // a row, the index of its group
        std::vector<Next> heap;
        std::vector<std::vector<int>::const_iterator> at(groups.size());
        for (std::uint32_t i = 0; i < groups.size(); ++i) {
            const std::vector<int>& rows = rowsOf[groups[i]];
            at[i] = std::upper_bound(rows.begin(), rows.end(), row);
            if (at[i] != rows.end()) heap.emplace_back(*at[i], i);
        }
        const auto later = [](const Next& a, const Next& b) { return a.first > b.first; };
        std::make_heap(heap.begin(), heap.end(), later);
        while (!heap.empty()) {
            std::pop_heap(heap.begin(), heap.end(), later);
            const auto [candidate, i] = heap.back();
            heap.pop_back();
            if (OthersAgree(row, candidate)) return candidate;
            if (++at[i] != rowsOf[groups[i]].end()) {
                heap.emplace_back(*at[i], i);
                std::push_heap(heap.begin(), heap.end(), later);
            }
        }
        return 0;
    }

    // Tells the progress as the row the comparison would have reached: done of
    // total steps.
    bool Report(const DoubleProgress& progress, std::size_t done, std::size_t total) const {
        if (!progress) return true;
        const auto row = static_cast<int>(static_cast<double>(done) / static_cast<double>(total) *
                                          (rows_ - 1));
        return progress(std::clamp(row, 1, std::max(1, rows_ - 1)));
    }

    // The driver: the similarity criterion with the most text.
    void ChooseDriver() {
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
    }

    // The same through an index of short substrings, for values with zero bytes
    // (which the suffix array uses to separate values). For each row x (ascending)
    // the rows whose value contains
    // x's value are found through the posting list of the rarest gram (3 bytes, or
    // the whole value when shorter) of x's value; a row y > x containing it is a
    // candidate later duplicate of x, a row y < x makes x a candidate for y.
    bool MatchSimilarByGrams(std::vector<int>& first, const DoubleProgress& progress) {
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
