#include "cli/unified_diff.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quillorn::cli {
namespace {

constexpr std::size_t kContext = 3;
// Beyond this many differing lines the middle part is shown as one replacement
// instead of searching for the shortest edit.
constexpr std::int64_t kMaxEditDistance = 4000;

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start + 1));
    start = end + 1;
  }
  return lines;
}

enum class Op { Keep, Remove, Add };
struct Edit {
  Op op;
  std::size_t oldLine;
  std::size_t newLine;
};

// The shortest edit script between a[lo..] and b[lo..] (Myers), or one
// remove-all/add-all block when it would be longer than kMaxEditDistance.
std::vector<Edit> editScript(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b) {
  std::size_t prefix = 0;
  while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
         a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix]) {
    ++suffix;
  }
  const auto n = static_cast<std::int64_t>(a.size() - prefix - suffix);
  const auto m = static_cast<std::int64_t>(b.size() - prefix - suffix);
  auto A = [&](std::int64_t i) { return a[prefix + static_cast<std::size_t>(i)]; };
  auto B = [&](std::int64_t j) { return b[prefix + static_cast<std::size_t>(j)]; };

  std::vector<Edit> middle;
  const std::int64_t maxD = std::min(n + m, kMaxEditDistance);
  const std::int64_t offset = maxD + 1;
  std::vector<std::int64_t> v(static_cast<std::size_t>(2 * offset + 1), 0);
  std::vector<std::vector<std::int64_t>> trace;
  bool found = (n == 0 && m == 0);
  for (std::int64_t d = 0; d <= maxD && !found; ++d) {
    trace.push_back(v);
    for (std::int64_t k = -d; k <= d; k += 2) {
      const auto at = [&](std::int64_t kk) -> std::int64_t& { return v[static_cast<std::size_t>(kk + offset)]; };
      std::int64_t x = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? at(k + 1) : at(k - 1) + 1;
      std::int64_t y = x - k;
      while (x < n && y < m && A(x) == B(y)) {
        ++x;
        ++y;
      }
      at(k) = x;
      if (x >= n && y >= m) {
        found = true;
        break;
      }
    }
  }
  if (found && !(n == 0 && m == 0)) {
    trace.push_back(v);
    std::int64_t x = n;
    std::int64_t y = m;
    for (auto d = static_cast<std::int64_t>(trace.size()) - 2; d >= 0; --d) {
      const std::vector<std::int64_t>& vd = trace[static_cast<std::size_t>(d)];
      const auto at = [&](std::int64_t kk) { return vd[static_cast<std::size_t>(kk + offset)]; };
      const std::int64_t k = x - y;
      const std::int64_t prevK = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? k + 1 : k - 1;
      const std::int64_t prevX = d == 0 ? 0 : at(prevK);
      const std::int64_t prevY = prevX - prevK;
      while (x > prevX && y > prevY) {
        --x;
        --y;
        middle.push_back({Op::Keep, static_cast<std::size_t>(x), static_cast<std::size_t>(y)});
      }
      if (d == 0) break;
      if (x == prevX) {
        middle.push_back({Op::Add, static_cast<std::size_t>(x), static_cast<std::size_t>(prevY)});
      } else {
        middle.push_back({Op::Remove, static_cast<std::size_t>(prevX), static_cast<std::size_t>(y)});
      }
      x = prevX;
      y = prevY;
    }
    std::reverse(middle.begin(), middle.end());
  } else if (!found) {
    for (std::int64_t i = 0; i < n; ++i) middle.push_back({Op::Remove, static_cast<std::size_t>(i), 0});
    for (std::int64_t j = 0; j < m; ++j) {
      middle.push_back({Op::Add, static_cast<std::size_t>(n), static_cast<std::size_t>(j)});
    }
  }

  std::vector<Edit> script;
  script.reserve(a.size() + b.size());
  for (std::size_t i = 0; i < prefix; ++i) script.push_back({Op::Keep, i, i});
  for (const Edit& e : middle) script.push_back({e.op, e.oldLine + prefix, e.newLine + prefix});
  for (std::size_t s = suffix; s > 0; --s) script.push_back({Op::Keep, a.size() - s, b.size() - s});
  return script;
}

void appendLine(std::string& out, char mark, std::string_view line) {
  out.push_back(mark);
  out.append(line);
  if (line.empty() || line.back() != '\n') out += "\n\\ No newline at end of file\n";
}

std::string range(std::size_t start, std::size_t count) {
  // Lines are numbered from 1; an empty range names the line before it.
  const std::size_t first = count == 0 ? start : start + 1;
  std::string text = std::to_string(first);
  if (count != 1) text.append(",").append(std::to_string(count));
  return text;
}

}  // namespace

std::string unifiedDiff(std::string_view before, std::string_view after, std::string_view oldName,
                        std::string_view newName) {
  if (before == after) return {};
  const std::vector<std::string_view> a = splitLines(before);
  const std::vector<std::string_view> b = splitLines(after);
  const std::vector<Edit> script = editScript(a, b);

  std::string out;
  out += "--- ";
  out += oldName;
  out += "\n+++ ";
  out += newName;
  out += '\n';
  std::size_t i = 0;
  while (i < script.size()) {
    if (script[i].op == Op::Keep) {
      ++i;
      continue;
    }
    // A hunk: from kContext lines before this change to kContext lines after
    // the last change that is no more than 2 * kContext lines from the next.
    std::size_t begin = i >= kContext ? i - kContext : 0;
    std::size_t end = i;
    std::size_t keeps = 0;
    for (std::size_t j = i; j < script.size(); ++j) {
      if (script[j].op == Op::Keep) {
        if (++keeps > 2 * kContext) break;
      } else {
        keeps = 0;
        end = j;
      }
    }
    end = std::min(script.size(), end + 1 + kContext);
    std::size_t oldCount = 0;
    std::size_t newCount = 0;
    for (std::size_t j = begin; j < end; ++j) {
      if (script[j].op != Op::Add) ++oldCount;
      if (script[j].op != Op::Remove) ++newCount;
    }
    out += "@@ -" + range(script[begin].oldLine, oldCount) + " +" + range(script[begin].newLine, newCount) + " @@\n";
    for (std::size_t j = begin; j < end; ++j) {
      const Edit& e = script[j];
      if (e.op == Op::Keep) appendLine(out, ' ', a[e.oldLine]);
      if (e.op == Op::Remove) appendLine(out, '-', a[e.oldLine]);
      if (e.op == Op::Add) appendLine(out, '+', b[e.newLine]);
    }
    i = end;
  }
  return out;
}

}  // namespace quillorn::cli
