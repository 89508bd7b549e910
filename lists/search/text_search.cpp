#include "lists/search/text_search.h"

#include <algorithm>
#include <numeric>

#include "lists/search/progress_throttle.h"

namespace vr::search {

namespace {

const char* const kCaptions[kOptionCount] = {
    "By Dup Whole Filename",     "By Dup Partial Filename",   "By Dup Whole DB FIELD",
    "By Dup Partial DB FIELD",   "By Dup File Size",          "By Dup File Date",
    "By Dup File Date AND Size", "By Dup Size/Date/FileName", "By Given Filename",
    "By Given DB FIELD",         "By Given Partial Filename", "By Given Partial DB FIELD",
};

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string FromColumn(const std::string& text, int column) {
  const size_t start = static_cast<size_t>(std::max(column, 1) - 1);
  return start >= text.size() ? std::string() : Upper(std::string_view(text).substr(start));
}

std::string WithoutExtension(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

using Progress = ProgressThrottle<TextSearchServices>;

}  // namespace

const char* OptionCaption(int option) {
  return option >= 0 && option < kOptionCount ? kCaptions[option] : kCaptions[0];
}

bool OptionNeedsFacts(int option) { return option >= kDupSize && option <= kDupSizeDateName; }

bool OptionNeedsField(int option) {
  return option == kDupWholeField || option == kDupPartialField || option == kGivenField ||
         option == kGivenPartialField;
}

TextSearchResult RunTextSearch(const std::vector<TextSearchItem>& items,
                               const TextSearchOptions& options, TextSearchServices& services) {
  TextSearchResult result;
  Progress progress(services);
  const int option = std::clamp(options.option, 0, kOptionCount - 1);
  const bool field = OptionNeedsField(option);
  std::vector<std::string>& lines = result.lines;
  lines.push_back(std::string("*** START OF SEARCH RESULTS FOR ") + OptionCaption(option) + " ***");
  const auto stopped = [&] { return services.stopped && services.stopped(); };
  const auto file_line = [&](size_t i) {
    lines.push_back("File:" + items[i].path);
    if (services.tag_found) services.tag_found(i);
  };

  // The compared value of each entry (empty: the entry takes no part).
  std::vector<std::string> values(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    if (stopped()) return result;
    progress.Show([&] { return "Searching files:" + std::to_string(items.size() - i); });
    const TextSearchItem& item = items[i];
    const std::string& source = field ? item.db_field : item.name;
    switch (option) {
      case kDupWholeName:
      case kDupWholeField:
      case kDupPartialField:
        values[i] = FromColumn(source, options.start_column);
        break;
      case kDupPartialName:
        values[i] = FromColumn(item.name, options.start_column);
        break;
      case kDupSize:
        if (item.size >= 0) values[i] = std::to_string(item.size);
        break;
      case kDupDate:
        if (item.stamp >= 0) values[i] = std::to_string(item.stamp);
        break;
      case kDupDateSize:
        if (item.size >= 0 && item.stamp >= 0) {
          values[i] = std::to_string(item.size) + "/" + std::to_string(item.stamp);
        }
        break;
      case kDupSizeDateName:
        if (item.size >= 0 && item.stamp >= 0) {
          values[i] =
              std::to_string(item.size) + "/" + std::to_string(item.stamp) + "/" + Upper(item.name);
        }
        break;
      default:
        values[i] = Upper(source);
        break;
    }
  }

  if (option >= kGivenName) {
    const std::string wanted = Upper(options.text);
    const bool partial = option == kGivenPartialName || option == kGivenPartialField;
    for (size_t i = 0; i < items.size(); ++i) {
      if (values[i].empty() || wanted.empty()) continue;
      const bool hit = partial ? values[i].find(wanted) != std::string::npos : values[i] == wanted;
      if (!hit) continue;
      file_line(i);
      ++result.sets;
    }
    lines.push_back("There are " + std::to_string(result.sets) + " MATCHES in the list.");
    result.completed = true;
    return result;
  }

  std::vector<size_t> order;
  for (size_t i = 0; i < items.size(); ++i) {
    if (!values[i].empty()) order.push_back(i);
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return values[a] < values[b]; });

  if (option != kDupPartialName && option != kDupPartialField) {
    for (size_t s = 0; s < order.size();) {
      size_t e = s + 1;
      while (e < order.size() && values[order[e]] == values[order[s]]) ++e;
      if (e - s >= 2) {
        ++result.sets;
        for (size_t k = s; k < e; ++k) file_line(order[k]);
        lines.emplace_back();
      }
      s = e;
    }
    lines.push_back("There are " + std::to_string(result.sets) + " DUPS in the list.");
    result.completed = true;
    return result;
  }

  // Partial: passes from the top length down to the minimum. lcp[k] is the common prefix of
  // the k-th and (k+1)-th values in sorted order; a pass at length L groups the runs whose inner
  // lcps are all >= L, so a run is one distinct set, reported at the smallest inner lcp (capped
  // at the top length).
  const int minimum = std::max(options.min_letters, 1);
  size_t longest = 0;
  for (size_t i : order) {
    const std::string& source = option == kDupPartialName ? WithoutExtension(items[i].name)
                                                          : items[i].db_field;
    longest = std::max(longest, source.size());
  }
  const int top = std::max<int>(static_cast<int>(longest) + 1, minimum);
  const int passes = top - minimum + 1;
  if (items.size() > 250 && services.progress) {
    for (int k = 1; k <= passes; ++k) {
      services.progress("Searching pass " + std::to_string(k) + " of " + std::to_string(passes) +
                        ", may take some time :(");
      if (stopped()) return result;
    }
  }
  std::vector<int> lcp(order.size() > 0 ? order.size() - 1 : 0);
  for (size_t k = 0; k + 1 < order.size(); ++k) {
    const std::string& a = values[order[k]];
    const std::string& b = values[order[k + 1]];
    size_t n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
    lcp[k] = std::min<int>(static_cast<int>(n), top);
  }
  struct Set {
    int length;
    size_t first;
    size_t last;  // inclusive, positions in `order`
  };
  std::vector<Set> sets;
  // The lcp intervals, bottom up with a stack: each is reported when a smaller lcp closes it.
  struct Open {
    int length;
    size_t first;
  };
  std::vector<Open> stack = {{0, 0}};
  for (size_t i = 1; i <= order.size(); ++i) {
    const int l = i < order.size() ? lcp[i - 1] : -1;
    size_t first = i - 1;
    while (!stack.empty() && l < stack.back().length) {
      const Open top = stack.back();
      stack.pop_back();
      if (top.length >= minimum) sets.push_back({top.length, top.first, i - 1});
      first = top.first;
    }
    if (l >= 0 && (stack.empty() || l > stack.back().length)) stack.push_back({l, first});
  }
  std::stable_sort(sets.begin(), sets.end(), [&](const Set& a, const Set& b) {
    if (a.length != b.length) return a.length > b.length;
    return values[order[a.first]].compare(0, static_cast<size_t>(a.length),
                                          values[order[b.first]], 0,
                                          static_cast<size_t>(b.length)) < 0;
  });
  lines.emplace_back("List sorted by length of MATCH, then by MATCH");
  lines.emplace_back("Starting with LONGEST Matches:");
  int shown_length = -1;
  for (const Set& set : sets) {
    if (set.length != shown_length) {
      lines.push_back("Match length of " + std::to_string(set.length));
      shown_length = set.length;
    }
    lines.push_back("; MATCH: " + values[order[set.first]].substr(0, static_cast<size_t>(set.length)));
    for (size_t k = set.first; k <= set.last; ++k) file_line(order[k]);
    lines.emplace_back();
  }
  result.sets = sets.size();
  lines.push_back("There are " + std::to_string(result.sets) + " DUPS in the list.");
  result.completed = true;
  return result;
}

}  // namespace vr::search
