#include "files/parameter_file.h"

#include <algorithm>
#include <cstdio>

#include "files/field_reader.h"
#include "files/file_system.h"
#include "files/text_encoding.h"
#include "model/say.h"
#include "model/utf8.h"

namespace ctrlprog {
namespace {

// Sixteen fields of at most kMaxFieldBytes each fit well inside this; the rest of a larger
// file is never needed.
constexpr size_t kReadLimit = size_t{64} * 1024;
constexpr size_t kShownLimit = 40;

// Shows a text as the operator can read it: control characters and undecodable bytes are
// written as \xNN, and a text longer than `limit` characters is cut.
std::string Escaped(std::string_view bytes, size_t limit) {
  std::string out;
  size_t count = 0;
  if (!IsValidUtf8(bytes)) {
    for (unsigned char c : bytes) {
      if (++count > limit) return out + "…";
      char buf[8];
      if (c < 0x20 || c >= 0x7F) {
        std::snprintf(buf, sizeof buf, "\\x%02X", c);
        out += buf;
      } else {
        out += static_cast<char>(c);
      }
    }
  } else {
    for (char32_t c : DecodeUtf8(bytes)) {
      if (++count > limit) return out + "…";
      if (c < 0x20 || c == 0x7F) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(c));
        out += buf;
      } else {
        out += EncodeUtf8(std::u32string(1, c));
      }
    }
  }
  return out;
}

std::string Shown(std::string_view bytes, bool cut) {
  const std::string out = Escaped(bytes, kShownLimit);
  return cut && !out.ends_with("…") ? out + "…" : out;
}

// A path as a message may show it: whole, but with no control character reaching a terminal.
std::string ShownPath(std::string_view path) {
  return Escaped(path, std::string_view::npos);
}

// A parameter file saved as UTF-16 by an editor: a byte-order mark, or a NUL in every other
// byte of its start. No UTF-8 or GBK parameter file holds a NUL.
bool LooksLikeUtf16(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return true;
  const std::string_view head = bytes.substr(0, 64);
  size_t evenNuls = 0, oddNuls = 0;
  for (size_t i = 0; i < head.size(); ++i) (i % 2 ? oddNuls : evenNuls) += head[i] == '\0';
  return head.size() >= 4 && std::max(evenNuls, oddNuls) * 2 >= head.size() / 2;
}

std::string ReadFailureMessage(const std::string& path, FileError error) {
  return Say("The parameter file %1 could not be read: %2.", {ShownPath(path), Describe(error)});
}

}  // namespace

ParsedFile ParseParameterFile(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const std::vector<RawField> raw = ReadFields(bytes, kParameterCount);

  bool utf8 = true;
  for (const RawField& f : raw) utf8 = utf8 && IsValidUtf8(f.bytes);

  std::vector<std::string> choices;
  for (size_t i = 0; i < raw.size(); ++i) {
    const RawField& f = raw[i];
    const int index = static_cast<int>(i);
    const std::optional<std::string> text = utf8 ? std::optional(f.bytes) : GbkToUtf8(f.bytes);
    std::optional<std::string> choice;
    if (text && !f.tooLong) choice = MatchChoice(index, *text);
    if (!choice) return RefusedField{f.line, index, Shown(text ? *text : f.bytes, f.tooLong)};
    choices.push_back(*choice);
  }
  return choices;
}

std::optional<std::string> FormatParameterFile(const ParameterSet& strParam) {
  std::string utf8;
  for (const std::string& text : strParam) utf8 += text + "\r\n";
  return Utf8ToGbk(utf8);
}

LoadResult ReadParameterFile(const std::string& path) {
  std::string bytes;
  if (const auto error = ReadFileHead(path, kReadLimit, bytes))
    return LoadFailure{ReadFailureMessage(path, *error)};
  if (LooksLikeUtf16(bytes)) {
    return LoadFailure{
        Say("The parameter file %1 is UTF-16 text; save it as UTF-8 or GBK and load it "
            "again.",
            {ShownPath(path)})};
  }
  ParsedFile parsed = ParseParameterFile(bytes);
  if (const auto* refused = std::get_if<RefusedField>(&parsed)) {
    return LoadFailure{RefusalMessage(*refused)};
  }
  return std::get<std::vector<std::string>>(std::move(parsed));
}

std::optional<FileError> WriteParameterFile(const std::string& path, const ParameterSet& strParam,
                                            bool* wroteInPlace) {
  const std::optional<std::string> content = FormatParameterFile(strParam);
  if (!content) return FileError::EncodingFailed;
  return ReplaceFileContents(path, *content, wroteInPlace);
}

std::string InPlaceStoreMessage(const std::string& path) {
  return Say(
      "The parameter file %1 was stored, but written in place: its folder does not allow a new "
      "file beside it, so the replace was not atomic.",
      {ShownPath(path)});
}

std::string RefusalMessage(const RefusedField& refused) {
  std::string name = DisplayName(refused.index);
  if (name.ends_with("：")) name.resize(name.size() - std::string_view("：").size());
  return Say(
      "Line %1 of the parameter file: \"%2\" is not a choice of %3. The file was not loaded; no "
      "parameter was changed.",
      {std::to_string(refused.line), refused.shown, name});
}

std::string StoreFailureMessage(const std::string& path, FileError error) {
  return Say("The parameter file %1 could not be stored: %2. The file was not changed.",
             {ShownPath(path), Describe(error)});
}

std::string ShortFileMessage(const std::string& path, size_t held) {
  return Say(
      "The parameter file %1 held %2 of the %3 parameters. It was not loaded; no parameter was "
      "changed.",
      {ShownPath(path), std::to_string(held), std::to_string(kParameterCount)});
}

}  // namespace ctrlprog
