// Ordering a list that is already made of a few ascending runs: a work
// file mostly gives its records in order, with a few runs out of it (such
// as the records of a second file appended, or the main program's at the
// end), so merging the neighbouring runs until one is left costs about one
// pass over the list, where a general sort costs several.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace sorvi {

// Merges the list's ascending runs (by `less`) in place, each merge stable,
// so the result is the list stably sorted. False, with the list untouched,
// when it holds more than `most_runs` runs.
template <typename List, typename Less>
bool merge_sorted_runs(List& list, Less less, std::size_t most_runs = 64) {
  std::vector<std::size_t> bounds = {0};
  for (std::size_t i = 1; i < list.size(); ++i) {
    if (!less(list[i], list[i - 1])) continue;
    if (bounds.size() == most_runs) return false;
    bounds.push_back(i);
  }
  bounds.push_back(list.size());
  auto at = [&list](std::size_t i) { return list.begin() + static_cast<std::ptrdiff_t>(i); };
  while (bounds.size() > 2) {
    std::vector<std::size_t> merged = {0};
    std::size_t k = 0;
    for (; k + 2 < bounds.size(); k += 2) {
      std::inplace_merge(at(bounds[k]), at(bounds[k + 1]), at(bounds[k + 2]), less);
      merged.push_back(bounds[k + 2]);
    }
    if (k + 1 < bounds.size()) merged.push_back(bounds[k + 1]);
    bounds.swap(merged);
  }
  return true;
}

}  // namespace sorvi
