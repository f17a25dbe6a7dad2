// The tag rewriter over arbitrary documents and tables. The table is either
// what the search finds in the document, with each replacement chosen from
// the input (kept, deleted, made relative, replaced), or entries placed
// anywhere with any span and delimiter kind, as a hand-edited decisions file
// can hold them. Beside the sanitizers' checks: a table whose every value is
// written back as it stands gives the document byte for byte, and a sink that
// refuses a write stops the output there, leaving a prefix of the full one.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/files/file_list.h"
#include "core/model/url_table.h"
#include "core/rewrite/tag_rewriter.h"
#include "core/search/html_scanner.h"
#include "core/search/search_context.h"
#include "core/text/document_buffer.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace quillorn;
using fuzz::check;
using fuzz::ParamReader;
using fuzz::SilentPanel;

// Keeps what it is given until its `allowed` writes are used up.
class LimitedSink : public OutputSink {
 public:
  explicit LimitedSink(std::size_t allowed) : allowed_(allowed) {}
  bool write(const std::uint8_t* bytes, std::size_t count) override {
    ++writes;
    if (writes > allowed_) return false;
    text.append(reinterpret_cast<const char*>(bytes), count);
    return true;
  }
  std::size_t writes = 0;
  std::string text;

 private:
  std::size_t allowed_;
};

constexpr DeletionChoice kTextChoices[] = {DeletionChoice::Keep, DeletionChoice::ConvertToText,
                                           DeletionChoice::MakeEmpty, DeletionChoice::Keep};
constexpr DeletionChoice kImageChoices[] = {DeletionChoice::Keep, DeletionChoice::MakeEmpty,
                                            DeletionChoice::ReplaceWithUrl, DeletionChoice::Keep};

int delimiterChars(QuoteKind kind) { return kind == Bare ? 0 : kind == Delimited ? 1 : kind == EscapedQuotes ? 2 : -1; }

enum class WrittenBack { Untouched, Same, NotTheSame };

// Whether `entry`, with its value read as host text (into `value`) and put
// back between its own delimiters as the rewriter puts a value, leaves the
// text as it stands: Untouched when its span does not fit (the rewriter
// leaves it alone), NotTheSame when the value would not come back byte for
// byte or reads as a decision rather than a value.
WrittenBack valueAsWritten(const TextView& text, const UrlEntry& entry, std::string& value) {
  const int k = delimiterChars(entry.quoteKind);
  if (k < 0 || entry.valuePos < 0 || entry.valuePos % text.step != 0 || entry.spanLength < 2 * k) {
    return WrittenBack::Untouched;
  }
  if (entry.valuePos > text.end() || entry.spanLength > (text.end() - entry.valuePos) / text.step) {
    return WrittenBack::Untouched;
  }
  const auto step = static_cast<std::size_t>(text.step);
  const std::uint8_t* inner = text.data + entry.valuePos + static_cast<std::size_t>(k) * step;
  const std::size_t innerBytes = static_cast<std::size_t>(entry.spanLength - 2 * k) * step;
  value = asHostText(TextView(inner, innerBytes, text.encoding(), text.charset));
  std::string back;
  appendDocumentText(text, value, back);
  if (back != std::string_view(reinterpret_cast<const char*>(inner), innerBytes)) return WrittenBack::NotTheSame;
  const bool decision = value.empty() || value == "\"\"" || value.substr(0, RelativeMarker.size()) == RelativeMarker;
  return decision ? WrittenBack::NotTheSame : WrittenBack::Same;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ParamReader params(data, size);
  const std::uint8_t policy = params.byte();
  const std::uint8_t options = params.byte();
  const std::uint8_t failAfter = params.byte();
  const std::string pool(params.text(48));
  DocumentBuffer document;
  const std::string_view bytes = params.rest();
  document.bytes.assign(bytes.begin(), bytes.end());
  detectEncoding(document);
  const TextView text = document.view();

  Settings settings;
  settings.checkInternetUrls = false;
  settings.scriptTagStrings = (options & 1U) != 0;
  settings.convertCodedChars = ((options >> 1) & 1U) != 0;
  settings.useRelativePaths = ((options >> 2) & 1U) != 0;
  settings.textLinkAction = kTextChoices[policy & 3U];
  settings.imageUrlAction = kImageChoices[(policy >> 2) & 3U];
  settings.backgroundUrlAction = kImageChoices[(policy >> 4) & 3U];
  settings.deletionRelativePaths = ((policy >> 6) & 1U) != 0;
  settings.imageReplacementUrl = pool.substr(0, pool.size() / 2);
  settings.backgroundReplacementUrl = "C:\\site\\img\\bg.gif";

  FileList files;
  for (const char* path : {"C:\\site\\sub\\page.htm", "C:\\site\\a.htm", "C:\\site\\img\\b.gif"}) {
    files.addSelectedFiles({path}, [] { return false; });
  }
  UrlTable table;
  if ((policy >> 7) == 0) {
    SavedFromTable savedFrom;
    quillorn::SiteAddresses siteAddresses;
    quillorn::PageAnchors anchors;
    InternetSession internet;
    SilentPanel panel;
    SearchContext context{settings, files, table, savedFrom, internet, panel, siteAddresses, anchors};
    scanHtmlFile(context, document, 0);
  } else {
    // Entries placed by the input, anywhere, as a decisions file may hold them.
    for (std::size_t i = 0; i + 4 <= pool.size(); i += 4) {
      UrlEntry entry;
      const auto at = [&](std::size_t j) { return static_cast<std::int64_t>(static_cast<unsigned char>(pool[i + j])); };
      entry.valuePos = at(0) * static_cast<std::int64_t>(text.size + 2) / 256 - 1;
      entry.spanLength = at(1) % 40 - 2;
      entry.quoteKind = static_cast<QuoteKind>(at(2) % 4);
      entry.tagPos = at(3) % 3 == 0 ? ScriptString : at(3) % 3 == 1 ? StyleUrl : entry.valuePos - at(3) % 16;
      entry.url = "u";
      entry.fileIndex = at(2) % 7 == 0 ? 1 : 0;
      table.append(entry);
    }
  }
  // Each entry's decision, from the pool.
  for (std::size_t i = 0; i < table.count(); ++i) {
    const unsigned char choice = pool.empty() ? 0 : static_cast<unsigned char>(pool[i % pool.size()]);
    switch (choice % 5) {
      case 0: table.setReplacement(i, table.entry(i).url); break;
      case 1: table.setReplacement(i, ""); break;
      case 2: table.setReplacement(i, "\"\""); break;
      case 3: table.setReplacement(i, std::string(RelativeMarker) + "C:\\site\\a.htm#x"); break;
      default: table.setReplacement(i, pool.substr(i % pool.size())); break;
    }
  }

  const std::vector<std::vector<std::size_t>> byFile = entriesByFile(table, files.count());
  LimitedSink full(SIZE_MAX);
  const RewriteResult result = rewriteDocument(text, table, byFile[0], files, settings, 0, full);
  check(!result.writeFailed);
  check(result.occurrences == byFile[0].size());

  // Refused at a write: what was written is where the full output begins.
  LimitedSink limited(failAfter % (full.writes + 1));
  const RewriteResult cut = rewriteDocument(text, table, byFile[0], files, settings, 0, limited);
  check(cut.writeFailed == (limited.writes > failAfter % (full.writes + 1)));
  check(full.text.compare(0, limited.text.size(), limited.text) == 0);

  // Every value written back as it stands: the document, unchanged.
  std::string value;
  bool same = true;
  for (std::size_t i = 0; i < table.count() && same; ++i) {
    const WrittenBack back = valueAsWritten(text, table.entry(i), value);
    same = back != WrittenBack::NotTheSame;
    if (back == WrittenBack::Same) table.setReplacement(i, value);
  }
  if (same) {
    LimitedSink unchanged(SIZE_MAX);
    rewriteDocument(text, table, byFile[0], files, settings, 0, unchanged);
    // As loaded: a big-endian file is held little-endian.
    check(unchanged.text == std::string_view(reinterpret_cast<const char*>(document.bytes.data()), document.size()));
  }
  return 0;
}
