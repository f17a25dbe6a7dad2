#include "cli/decisions_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/scan_report.h"
#include "cli/site_search.h"
#include "core/review/decisions.h"
#include "core/review/results.h"
#include "core/text/markup_lexing.h"
#include "platform/code_page.h"
#include "platform/file_access.h"

namespace quillorn::cli {
namespace {

using Json = nlohmann::json;  // members sorted by name: a member is found in log time however many there are

// A report nests three deep; the reader refuses to go far beyond that.
constexpr int kDepthLimit = 64;
struct TooDeep {};

// The member `name` of `object`, or nullptr when `object` is no object or has none.
const Json* member(const Json& object, const char* name) {
  if (!object.is_object()) return nullptr;
  const auto found = object.find(name);
  return found == object.end() ? nullptr : &*found;
}

// The library's message without its tag, with the byte where it stopped; what
// it quotes of the text is cut short when long.
std::string parseErrorText(const Json::exception& error, std::optional<std::size_t> byte) {
  std::string text = error.what();
  if (const std::size_t tagEnd = text.find("] "); text.starts_with("[json.exception.") && tagEnd != std::string::npos) {
    text.erase(0, tagEnd + 2);
  }
  if (text.starts_with("parse error at ")) text.erase(0, 15);
  constexpr std::size_t kHead = 160;
  constexpr std::size_t kTail = 60;
  if (text.size() > kHead + kTail + 5) text = text.substr(0, kHead) + " ... " + text.substr(text.size() - kTail);
  return byte ? "byte " + std::to_string(*byte) + ", " + text : text;
}

// A whole number that `field` of `item` holds, as the report prints one
// (a number written with a fraction of zero counts); none otherwise.
std::optional<std::int64_t> wholeNumber(const Json& item, const char* field) {
  const Json* value = member(item, field);
  if (value == nullptr) return std::nullopt;
  if (value->is_number_integer() && !value->is_number_unsigned()) return value->get<std::int64_t>();
  if (value->is_number_unsigned()) {
    const auto number = value->get<std::uint64_t>();
    if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
    return static_cast<std::int64_t>(number);
  }
  if (value->is_number_float()) {
    const double number = value->get<double>();
    // 2^63 itself is out of range; every double below it converts exactly.
    if (!(number >= -9223372036854775808.0 && number < 9223372036854775808.0)) return std::nullopt;
    const auto whole = static_cast<std::int64_t>(number);
    if (static_cast<double>(whole) != number) return std::nullopt;
    return whole;
  }
  return std::nullopt;
}

// The finding an item of "entries" describes, its url as the report prints
// it; none when a field is missing or holds what no finding can hold.
std::optional<UrlEntry> printedFinding(const Json& item) {
  const Json* url = member(item, "url");
  const std::optional<std::int64_t> valuePos = wholeNumber(item, "valuePos");
  const std::optional<std::int64_t> tagPos = wholeNumber(item, "tagPos");
  const std::optional<std::int64_t> spanLength = wholeNumber(item, "spanLength");
  const std::optional<std::int64_t> quoteKind = wholeNumber(item, "quoteKind");
  const std::optional<std::int64_t> fileIndex = wholeNumber(item, "fileIndex");
  if (url == nullptr || !url->is_string() || !valuePos || !tagPos || !spanLength || !quoteKind || !fileIndex) {
    return std::nullopt;
  }
  if (*quoteKind < Bare || *quoteKind > EscapedQuotes) return std::nullopt;
  if (*fileIndex < std::numeric_limits<std::int32_t>::min() || *fileIndex > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  UrlEntry entry;
  entry.url = url->get<std::string>();
  entry.valuePos = *valuePos;
  entry.tagPos = *tagPos;
  entry.spanLength = *spanLength;
  entry.quoteKind = static_cast<QuoteKind>(*quoteKind);
  entry.fileIndex = static_cast<std::int32_t>(*fileIndex);
  return entry;
}

// Why a value typed into the file cannot be written into a page as it stands
// (it would end the attribute or string it goes into, or put bytes there that
// no page holds, or exceed what the search reads back); empty when it can.
std::string unfitValueText(std::string_view value) {
  if (value.size() > kValueBufferChars) {
    return "a value cannot be longer than " + std::to_string(kValueBufferChars) + " characters";
  }
  for (const char c : value) {
    if (c == '"' || c == '\'') {
      return std::string("a value cannot hold the quote ") + c +
             ", which would end the attribute it is written into; write it as " + (c == '"' ? "%22" : "%27");
    }
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      char code[8];
      std::snprintf(code, sizeof code, "%02X", byte);
      return std::string("a value cannot hold a control character (byte 0x") + code + ")";
    }
  }
  return {};
}

}  // namespace

Outcome<std::string, std::string> readDecisionsFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Failed{path + ": cannot be read (" + platform::errorText(errno) + ")"};
  std::string text;
  std::vector<char> chunk(std::size_t{1} << 16);
  int error = 0;
  while (text.size() <= kDecisionsFileLimit) {
    const std::size_t wanted = std::min(chunk.size(), kDecisionsFileLimit + 1 - text.size());
    const ssize_t got = ::read(fd, chunk.data(), wanted);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) error = errno;
    if (got <= 0) break;
    text.append(chunk.data(), static_cast<std::size_t>(got));
  }
  ::close(fd);
  if (error != 0) return Failed{path + ": cannot be read (" + platform::errorText(error) + ")"};
  if (text.size() > kDecisionsFileLimit) {
    return Failed{path + ": larger than " + std::to_string(kDecisionsFileLimit >> 20) +
                  " MiB, far beyond any report of 'quillorn-cli scan --json'"};
  }
  return text;
}

Outcome<std::vector<GroupDecision>, std::string> readDecisions(std::string_view text, const std::string& name,
                                                               const Settings& settings, const FileList& files,
                                                               UrlTable& urls) {
  const std::string notReport = name + ": not a report of 'quillorn-cli scan --json'";
  Json report;
  try {
    // The parser skips a UTF-8 byte-order mark at the start.
    report = Json::parse(text, [](int depth, Json::parse_event_t, Json&) {
      if (depth >= kDepthLimit) throw TooDeep{};  // the outermost value is at depth 0
      return true;
    });
  } catch (const Json::parse_error& error) {
    return Failed{notReport + " (" + parseErrorText(error, error.byte) + ")"};
  } catch (const Json::exception& error) {
    return Failed{notReport + " (" + parseErrorText(error, std::nullopt) + ")"};
  } catch (const TooDeep&) {
    return Failed{notReport + " (arrays and objects nested more than " + std::to_string(kDepthLimit) + " deep)"};
  }
  const Json* filesIn = member(report, "files");
  const Json* entriesIn = member(report, "entries");
  const Json* resultsIn = member(report, "results");
  if (filesIn == nullptr || entriesIn == nullptr || resultsIn == nullptr || !filesIn->is_array() ||
      !entriesIn->is_array() || !resultsIn->is_array()) {
    return Failed{notReport + " (no \"files\", \"entries\" and \"results\")"};
  }

  // Compared with what `scan --json` would print now, as it reads back.
  const std::string stale = "the site has changed since " + name +
                            " was written, or other options were given: scan again and edit the new report";
  const Json filesNow = asPrinted(filesJson(files));
  if (filesIn->size() != filesNow.size()) return Failed{stale + " (the number of files differs)"};
  for (std::size_t i = 0; i < filesNow.size(); ++i) {
    if ((*filesIn)[i] != filesNow[i]) return Failed{stale + " (file " + std::to_string(i) + " differs)"};
  }
  if (entriesIn->size() != urls.count()) return Failed{stale + " (the number of findings differs)"};
  const Json entriesNow = asPrinted(entriesJson(settings, urls));
  for (std::size_t i = 0; i < entriesNow.size(); ++i) {
    const Json& item = (*entriesIn)[i];
    const Json& now = entriesNow[i];
    // Both sides as printed, so a URL that the text output escapes reads back alike.
    const std::optional<UrlEntry> read = printedFinding(item);
    const std::optional<UrlEntry> found = printedFinding(now);
    if (!read || !found || !sameFinding(*read, *found)) {
      return Failed{stale + " (finding " + std::to_string(i) + " differs)"};
    }
    const Json* replacement = member(item, "replacement");
    if (replacement == nullptr || *replacement != now["replacement"]) {
      return Failed{
          name + ": the \"replacement\" of finding " + std::to_string(i) +
          " was edited; decisions are made per line: edit the \"value\" and \"relativePath\" of the lines under "
          "\"results\" instead"};
    }
  }

  const ResultsFill fill = fillResults(urls, false, false, [] { return false; });
  if (resultsIn->size() != fill.lines.size()) return Failed{stale + " (the number of result lines differs)"};
  const std::vector<ShownLine> shown = shownLines(settings, urls, fill.lines.size());
  const Json resultsNow = asPrinted(resultsJson(fill, shown));
  std::vector<GroupDecision> edits;
  for (std::size_t i = 0; i < resultsNow.size(); ++i) {
    const Json& item = (*resultsIn)[i];
    const Json* line = member(item, "line");
    const Json* value = member(item, "value");
    const Json* relative = member(item, "relativePath");
    if (line == nullptr || *line != resultsNow[i]["line"])
      return Failed{stale + " (result line " + std::to_string(i) + " differs)"};
    if (value == nullptr || !value->is_string() || relative == nullptr || !relative->is_boolean()) {
      return Failed{name + ": result line " + std::to_string(i) +
                    " needs a \"value\" text and a \"relativePath\" of true or false"};
    }
    const LineDecision& offered = shown[i].decision;
    const bool valueKept = *value == resultsNow[i]["value"];
    const bool relativePath = relative->get<bool>();
    // An untouched line is no decision: its proposal stands, or, on a line of
    // not-checked Internet URLs, its links are left out of the rewriting.
    // Taking such a line's own URL as a decision would write the url as read
    // (character references and %xx codes decoded) over what the page holds.
    if (valueKept && relativePath == offered.relativePath) continue;
    // An untouched text keeps its exact bytes; an edited one is taken back to
    // the single-byte code page where it can be.
    std::string decided = valueKept ? offered.value : platform::fromDisplayUtf8(value->get<std::string>());
    if (const std::string unfit = unfitValueText(decided); !valueKept && !unfit.empty()) {
      return Failed{name + ": result line " + std::to_string(i) + ": " + unfit};
    }
    // Stored as it stands, such a value would read back as a relative path.
    UrlEntry asStored;
    asStored.replacement = decided;
    if (decisionOf(asStored).relativePath) {
      return Failed{name + ": result line " + std::to_string(i) + ": a value cannot begin with \"" +
                    std::string(RelativeMarker) + "\"; set \"relativePath\" to true for a path relative to each page"};
    }
    edits.push_back({fill.lines[i].group, std::move(decided), relativePath});
  }
  return edits;
}

}  // namespace quillorn::cli
